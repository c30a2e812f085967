// The demo site's pictures, announcement and sounds, as init --demo writes them and the shell finds them.
#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>

#include "core/settings.h"
#include "core/tis620.h"
#include "core/wave_file.h"
#include "shell/main_window_model.h"
#include "shell/menu.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

using core::tis620::T;

namespace {

const std::string kAdmin = MERVO_BINARY_DIR "/app/mervo-admin";

QImage picture(const std::string& path)
{
    return QImage(QString::fromLocal8Bit(path.c_str()));
}

void expectPlayable(const std::string& path)
{
    const std::string bytes = testsupport::readFile(path);
    core::WaveData wave;
    std::string error;
    EXPECT_TRUE(core::parseWave(bytes, wave, error)) << path << ": " << error;
    EXPECT_GT(wave.frames(), 0) << path;
}

TEST(DemoContent, InitDemoWritesThePicturesSoundsAndAnnouncementTheShellShows)
{
    testsupport::TempDir dir;
    const std::string site = dir.file("site");
    const auto r = testsupport::runProcess(kAdmin, {"init", site, "--demo"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
    core::programSettings().setText("CDRV1", site + "/TABLES/");

    for (const shell::ToolButton& b : shell::buttonBar())
        EXPECT_FALSE(picture(shell::siteFile(b.picture)).isNull()) << b.picture;
    for (const char* name : {"library\\welcome.bmp", "library\\goodbye.bmp", "library\\door.bmp"})
        EXPECT_FALSE(picture(shell::siteFile(name)).isNull()) << name;

    EXPECT_FALSE(picture(shell::mainPicturePath()).isNull());

    ASSERT_TRUE(shell::announcement().has_value());
    EXPECT_NE(shell::announcement()->find(T("ผู้ใช้โปรแกรม ADMIN")), std::string::npos);
    for (const char* n : {"TSound01", "TSound02", "TSound07", "TSound08", "TSound09", "TSound12", "Number00",
                          "Number16", "Number21", "Number22", "loop1"})
        expectPlayable(shell::siteFile(std::string("sounds\\") + n + ".wav"));
    core::programSettings().clear();
}

}  // namespace
