// A site folder for the shell's tests: CDRV1 pointing at a fresh folder whose users table
// ("Employee" with its CODE index, the catalogue's fields) holds the users a test adds, and whose
// configuration file MERVO.INI start-up makes; the prompts and sounds recorded.
#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "core/ini_file.h"
#include "core/password.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "support/seams.h"
#include "support/temp_dir.h"

namespace shelltest {

struct UserRow {
    std::string code;      // as stored (upper case)
    std::string nameUtf8;
    std::string password;  // typed form; empty leaves PASS_W blank
    std::string rights;
    bool deleted = false;
};

class UsersSite {
public:
    UsersSite()
    {
        std::filesystem::create_directories(dir.file("library"));
        std::filesystem::create_directories(dir.file("sounds"));
        auto& s = core::programSettings();
        s.setText("CDRV1", dir.path() + "/");
        s.setText("CSYSSOUND", "Y");
        s.setText("CUSER", "");
        std::vector<storage::FieldSpec> fields;
        for (const storage::FieldDef& f : storage::codeTable(4).fields)
            fields.push_back({f.name, storage::FieldType(f.type), f.length, f.decimals});
        EXPECT_TRUE(storage::Table::create(tablePath(), fields).ok());
    }
    ~UsersSite() { core::programSettings().clear(); }

    std::string tablePath() const { return dir.file("Employee.DBF"); }
    std::string indexPath() const { return dir.file(storage::indexFileName(storage::codeTable(4).indexes.front())); }
    std::string ini() const { return dir.file("MERVO.INI"); }
    // A key of the configuration file ("<absent>" when it has none).
    std::string key(const char* section, const char* name) const
    {
        return core::IniFile(ini()).get(section, name).value_or("<absent>");
    }

    void add(const UserRow& u)
    {
        std::unique_ptr<storage::Table> t;
        ASSERT_TRUE(storage::Table::open(tablePath(), storage::ShareMode::Exclusive, &t).ok());
        ASSERT_TRUE(t->append().ok());
        ASSERT_TRUE(t->put("CODE", core::Value::text(u.code)).ok());
        ASSERT_TRUE(t->put("NAME", core::Value::text(core::tis620::fromUtf8(u.nameUtf8))).ok());
        if (!u.password.empty()) {
            ASSERT_TRUE(t->put("PASS_W", core::Value::text(core::password::stored(u.password))).ok());
        }
        ASSERT_TRUE(t->put("TRUSTEE", core::Value::text(u.rights)).ok());
        if (u.deleted) {
            ASSERT_TRUE(t->deleteRecord().ok());
        }
        ASSERT_TRUE(t->close().ok());
        std::filesystem::remove(indexPath());  // rebuilt from the table at the next opening
    }

    // A field of the row with that code, as stored.
    std::string stored(const std::string& code, const char* field)
    {
        std::unique_ptr<storage::Table> t;
        EXPECT_TRUE(storage::Table::open(tablePath(), storage::ShareMode::Shared, &t).ok());
        EXPECT_TRUE(t->goTop().ok());
        for (; !t->eof(); (void)t->skip()) {
            core::Value v;
            EXPECT_TRUE(t->get("CODE", &v).ok());
            if (v.asText().rfind(code, 0) == 0) {
                EXPECT_TRUE(t->get(field, &v).ok());
                return v.asText();
            }
        }
        return {};
    }

    testsupport::TempDir dir;
};

inline std::string fullRights() { return std::string(33, '6') + std::string(9, '0'); }

// ADMIN with every right and the password DEMO, and CLERK with the rights 1111 and the password
// AB12 (stored as typed in a six-character field).
class UsersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.add({"ADMIN", "ผู้ดูแลระบบ", "DEMO", fullRights()});
        site.add({"CLERK", "พนักงานชั่ง", "AB12  ", "1111"});
    }

    UsersSite site;
    testsupport::RecordingPrompts prompts;
    testsupport::RecordingSound sound;
};

}  // namespace shelltest
