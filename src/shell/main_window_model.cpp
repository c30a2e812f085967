#include "shell/main_window_model.h"

#include <fstream>
#include <iterator>

#include "core/paths.h"
#include "core/prompt_sounds.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"

namespace shell {
namespace {

using core::tis620::T;

constexpr int kFinishOpenSound = 8;
constexpr int kFinishOkSound = 9;

}  // namespace

std::string mainCaption()
{
    return T("  โปรแกรมชั่งรถบรรทุก สำหรับ ") + core::programSettings().text("CHLINE");
}

std::string statusUser()
{
    const core::Settings& s = core::programSettings();
    const std::string code = core::xbase::alltrim(s.text("CUSER"));
    const std::string name = core::xbase::alltrim(s.text("CLOGIN"));
    if (code.empty())
        return {};
    return T("ผู้ใช้ ") + (name.empty() ? code : name + " (" + code + ")");
}

std::string statusSite()
{
    return core::xbase::alltrim(core::programSettings().text("CHLINE"));
}

std::string messageBarDefault()
{
    return T("Mervo - โปรแกรมชั่งรถบรรทุก");
}

std::string siteFile(std::string_view name)
{
    return core::paths::join(core::programSettings().text("CDRV1"), name);
}

Placement mainPicturePlacement(int screenWidth, int screenHeight)
{
    return {(screenWidth - kMainPictureWidth) / 2, (screenHeight - kMainPictureHeight) / 3};
}

std::string mainPicturePath()
{
    return siteFile("LIBRARY\\MAIN.BMP");
}

bool MAPSEL(Dispatcher& dispatcher, int column, int row)
{
    const HotSpot* h = hotSpotAt(column, row);
    if (!h)
        return false;
    dispatcher.dispatch(h->action, h->rights);
    return true;
}

UpdateStamp SAYTEXT()
{
    UpdateStamp s;
    s.shown = core::xbase::alltrim(core::programSettings().text("CTRACK")) != "9417";
    s.text = "UPDATE: 03/07/2009";
    return s;
}

std::string FinishModel::title() { return T("  ออกจากโปรแกรม"); }
std::string FinishModel::text() { return T("คุณต้องการออกจากโปรแกรม"); }
std::string FinishModel::okCaption() { return T("&ตกลง"); }
std::string FinishModel::cancelCaption() { return T("&ยกเลิก"); }
std::string FinishModel::picturePath() { return siteFile("library\\goodbye.bmp"); }

void FinishModel::opened()
{
    core::TSOUND(kFinishOpenSound);
}

bool FinishModel::decide(bool ok)
{
    if (ok)
        core::TSOUND(kFinishOkSound, 0);
    return ok;
}

std::optional<std::string> announcement()
{
    const std::string path = siteFile("DocFile.TXT");
    if (!core::paths::exists(path) || core::paths::isDirectory(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string announcementTitle() { return T("  ประกาศ"); }
std::string announcementButton() { return T("&กลับสู่โปรแกรม"); }

}  // namespace shell
