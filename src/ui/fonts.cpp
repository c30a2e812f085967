#include "ui/fonts.h"

#include <algorithm>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QStringList>
#include <cmath>

#include "core/settings.h"
#include "core/xbase.h"

namespace ui {
namespace {

struct FaceRule {
    const char* face;
    QStringList families;
    double factor;
};

constexpr double kUpcFactor = 0.66;

const std::vector<FaceRule>& rules()
{
    static const std::vector<FaceRule> r = {
        {"MS Sans Serif", {"Loma", "Waree"}, 1.3},
        {"EucrosiaUPC", {"Norasi", "Kinnari"}, kUpcFactor},
        {"AngsanaUPC", {"Norasi", "Kinnari"}, kUpcFactor},
        {"Angsana New", {"Norasi", "Kinnari"}, kUpcFactor},
        {"LilyUPC", {"Sawasdee", "Purisa"}, kUpcFactor},
        {"CordiaUPC", {"Garuda", "Loma"}, kUpcFactor},
        {"Cordia New", {"Garuda", "Loma"}, kUpcFactor},
        {"BrowalliaUPC", {"Garuda", "Loma"}, kUpcFactor},
        {"Browallia New", {"Garuda", "Loma"}, kUpcFactor},
    };
    return r;
}

const FaceRule* ruleFor(std::string_view face)
{
    const std::string_view trimmed = core::xbase::rtrimView(core::xbase::ltrimView(face));
    for (const FaceRule& r : rules())
        if (core::xbase::equalsNoCase(trimmed, r.face))
            return &r;
    return nullptr;
}

constexpr const char* kFallback = "Loma";

int number(std::string_view text)
{
    return int(std::lround(core::xbase::val(text).value));
}

}  // namespace

void installFontSubstitutions()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    for (const FaceRule& r : rules())
        QFont::insertSubstitutions(QString::fromLatin1(r.face), r.families);
}

QString mappedFamily(std::string_view face)
{
    if (const FaceRule* r = ruleFor(face)) {
        for (const QString& f : r->families)
            if (QFontDatabase::hasFamily(f))
                return f;
        return r->families.front();
    }
    const QString name = QString::fromLatin1(core::xbase::alltrim(face).c_str());
    if (!name.isEmpty() && QFontDatabase::hasFamily(name))
        return name;
    return QString::fromLatin1(kFallback);
}

double sizeFactor(std::string_view face)
{
    const FaceRule* r = ruleFor(face);
    return r ? r->factor : 1.0;
}

QFont makeFont(std::string_view face, std::string_view width, std::string_view height, double pixelsPerUnit)
{
    return makeFont(face, number(width), number(height), pixelsPerUnit);
}

QFont makeFont(std::string_view face, int width, int height, double pixelsPerUnit)
{
    installFontSubstitutions();
    QFont font(mappedFamily(face));
    const double scale = sizeFactor(face) * pixelsPerUnit;
    double em = 0;
    if (height < 0) {
        em = -height * scale;
    } else if (height > 0) {
        // A cell height: find the em size whose ascent + descent is that tall.
        QFont probe = font;
        probe.setPixelSize(100);
        const double cellAt100 = QFontMetricsF(probe).ascent() + QFontMetricsF(probe).descent();
        em = height * scale * 100.0 / (cellAt100 > 0 ? cellAt100 : 100.0);
    } else {
        em = QFontInfo(QGuiApplication::font()).pixelSize();
    }
    font.setPixelSize(std::max(1, int(std::lround(em))));
    if (width != 0) {
        const double average = QFontMetricsF(font).averageCharWidth();
        if (average > 0) {
            const int stretch = int(std::lround(100.0 * std::abs(width) * scale / average));
            font.setStretch(std::clamp(stretch, 1, 4000));
        }
    }
    return font;
}

QFont screenFont()
{
    const core::Settings& s = core::programSettings();
    const std::string& face = s.text("CFONT0");
    return makeFont(face.empty() ? std::string_view("MS Sans Serif") : std::string_view(face),
                    std::string_view(s.text("CWIDTH0")),
                    s.has("CHEIGHT0") ? std::string_view(s.text("CHEIGHT0")) : std::string_view("-10"));
}

}  // namespace ui
