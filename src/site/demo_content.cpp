#include "site/demo_content.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <unistd.h>

#include "core/paths.h"
#include "core/tis620.h"
#include "core/wave_file.h"
#include "shell/main_window_model.h"
#include "shell/menu.h"
#include "site/site_setup.h"

namespace site {
namespace {

using core::tis620::T;
using shell::Action;
using shell::HotSpot;
using shell::kMainPictureHeight;
using shell::kMainPictureWidth;
using shell::Menu;
using shell::MenuEntry;

constexpr int kSampleRate = 22050;
constexpr int kSpeechTimeoutMs = 15000;
constexpr const char* kFaces[] = {"Garuda", "Loma", "Waree", "Norasi"};

// A Qt application for drawing text when the caller has none (the command line): made here and
// destroyed when the content is written (so the font system is released too). `ok` is false
// when another kind of application object exists, which cannot draw text.
std::unique_ptr<QGuiApplication> guiApplication(bool& ok, std::string* error)
{
    ok = true;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return nullptr;
    if (QCoreApplication::instance()) {
        ok = false;
        if (error)
            *error = "pictures need a GUI application object, and another kind already exists";
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // A private runtime folder, as the platform plugin wants one and would complain otherwise.
        const QString dir = QDir::tempPath() + QStringLiteral("/mervo-runtime-") + QString::number(::getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
    static int argc = 1;
    static char name[] = "mervo";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

QFont thaiFont(int pixels, bool bold = false)
{
    QFont f(QString::fromLatin1(kFaces[0]));
    f.setFamilies({kFaces[0], kFaces[1], kFaces[2], kFaces[3]});
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QString utf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// The caption of the menu item running an action (UTF-8).
std::string captionOf(Action a)
{
    for (const Menu& m : shell::mainMenu())
        for (const MenuEntry& e : m.entries)
            if (e.kind == MenuEntry::Kind::Item && e.action == a)
                return e.caption;
    return {};
}

bool save(const QImage& image, const std::string& path, std::string* error)
{
    if (image.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(path.c_str()), "BMP"))
        return true;
    if (error)
        *error = "cannot write " + path;
    return false;
}

QImage canvas(int w, int h, QColor fill)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

// ---- The button bar's pictures, 32 x 32, drawn as simple glyphs.

void page(QPainter& p, QRectF r)
{
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2));
    p.setBrush(Qt::white);
    QPainterPath path;
    path.moveTo(r.topLeft());
    path.lineTo(r.right() - 6, r.top());
    path.lineTo(r.right(), r.top() + 6);
    path.lineTo(r.bottomRight());
    path.lineTo(r.bottomLeft());
    path.closeSubpath();
    p.drawPath(path);
}

using Glyph = std::function<void(QPainter&)>;

struct ButtonPicture {
    const char* file;
    Glyph draw;
};

std::vector<ButtonPicture> buttonPictures()
{
    return {
        {"Report2.bmp",
         [](QPainter& p) {
             page(p, {6, 3, 20, 26});
             p.setPen(Qt::NoPen);
             const QColor bars[] = {QColor(0x2e, 0x86, 0xde), QColor(0xe6, 0x7e, 0x22), QColor(0x27, 0xae, 0x60)};
             const int heights[] = {8, 14, 11};
             for (int i = 0; i < 3; ++i) {
                 p.setBrush(bars[i]);
                 p.drawRect(QRectF(9 + i * 5.5, 25 - heights[i], 4, heights[i]));
             }
         }},
        {"Prjadd.bmp",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0x30, 0x30, 0x60), 1.2));
             p.setBrush(QColor(0x8e, 0xa8, 0xd8));
             p.drawRect(QRectF(5, 8, 16, 16));
             p.drawEllipse(QRectF(5, 4, 16, 8));
             p.drawEllipse(QRectF(5, 20, 16, 8));
             p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 3));
             p.drawLine(QPointF(24, 10), QPointF(24, 26));
             p.drawLine(QPointF(16, 18), QPointF(31, 18));
         }},
        {"Folder.bmp",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0x80, 0x60, 0x10), 1.2));
             p.setBrush(QColor(0xf4, 0xc4, 0x30));
             QPainterPath path;
             path.moveTo(3, 8);
             path.lineTo(12, 8);
             path.lineTo(15, 11);
             path.lineTo(29, 11);
             path.lineTo(29, 26);
             path.lineTo(3, 26);
             path.closeSubpath();
             p.drawPath(path);
         }},
        {"Calc.bmp",
         [](QPainter& p) {
             p.setPen(QPen(Qt::black, 1.2));
             p.setBrush(QColor(0x55, 0x5a, 0x64));
             p.drawRoundedRect(QRectF(7, 3, 18, 26), 2, 2);
             p.setBrush(QColor(0xb8, 0xe9, 0x94));
             p.drawRect(QRectF(9, 5, 14, 6));
             p.setBrush(Qt::white);
             for (int r = 0; r < 3; ++r)
                 for (int c = 0; c < 3; ++c)
                     p.drawRect(QRectF(9.5 + c * 4.6, 13.5 + r * 4.8, 3.4, 3.4));
         }},
        {"report.bmp",
         [](QPainter& p) {
             p.setPen(QPen(Qt::black, 1.2));
             page(p, {9, 3, 14, 10});
             p.setBrush(QColor(0x7f, 0x8c, 0x8d));
             p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
             page(p, {9, 19, 14, 10});
         }},
        {"newfile.bmp",
         [](QPainter& p) {
             page(p, {5, 3, 19, 26});
             p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(28, 8), QPointF(16, 22));
         }},
        {"door.bmp",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0x50, 0x30, 0x10), 1.2));
             p.setBrush(QColor(0xa0, 0x6a, 0x3a));
             p.drawRect(QRectF(8, 3, 16, 26));
             p.setBrush(QColor(0xf1, 0xc4, 0x0f));
             p.drawEllipse(QPointF(20, 16), 1.6, 1.6);
         }},
    };
}

// ---- The larger pictures.

void truck(QPainter& p, QRectF r, QColor body)
{
    const double w = r.width(), h = r.height();
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 2));
    p.setBrush(body);
    p.drawRect(QRectF(r.left(), r.top(), w * 0.66, h * 0.62));                                 // load
    p.setBrush(QColor(0xec, 0xf0, 0xf1));
    p.drawRect(QRectF(r.left() + w * 0.69, r.top() + h * 0.18, w * 0.29, h * 0.44));          // cab
    p.setBrush(QColor(0x85, 0xc1, 0xe9));
    p.drawRect(QRectF(r.left() + w * 0.74, r.top() + h * 0.24, w * 0.17, h * 0.16));          // window
    p.setBrush(QColor(0x2c, 0x3e, 0x50));
    for (double x : {0.14, 0.5, 0.86})
        p.drawEllipse(QPointF(r.left() + w * x, r.top() + h * 0.74), h * 0.13, h * 0.13);
}

QImage mainPicture()
{
    QImage image = canvas(kMainPictureWidth, kMainPictureHeight, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kMainPictureHeight);
    sky.setColorAt(0, QColor(0x1b, 0x3a, 0x6b));
    sky.setColorAt(1, QColor(0x4a, 0x90, 0xc8));
    p.fillRect(image.rect(), sky);

    p.setPen(Qt::white);
    p.setFont(thaiFont(30, true));
    p.drawText(QRect(20, 14, 560, 44), Qt::AlignCenter, utf8("ระบบชั่งรถบรรทุก"));

    // The weighbridge with a truck on it, between the buttons and the reports corner.
    p.setBrush(QColor(0x95, 0xa5, 0xa6));
    p.setPen(QPen(QColor(0x2c, 0x3e, 0x50), 2));
    p.drawRect(QRectF(250, 270, 320, 14));
    // No indicator face: the main window shows the live weight beside the picture, and a weight
    // drawn here would pass for a reading.
    truck(p, QRectF(280, 150, 260, 150), QColor(0xe6, 0x7e, 0x22));

    // The hot spots, drawn exactly over their areas (bounds inclusive).
    for (const HotSpot& h : shell::hotSpots()) {
        const QRectF area(h.left, h.top, h.right - h.left + 1, h.bottom - h.top + 1);
        const bool reports = h.action == Action::REPORT;
        QLinearGradient g(area.topLeft(), area.bottomLeft());
        g.setColorAt(0, reports ? QColor(0xf9, 0xe7, 0x9f) : QColor(0xfd, 0xfe, 0xfe));
        g.setColorAt(1, reports ? QColor(0xf3, 0x9c, 0x12) : QColor(0xae, 0xd6, 0xf1));
        p.setBrush(g);
        p.setPen(QPen(QColor(0x1b, 0x26, 0x31), 2));
        p.drawRoundedRect(area.adjusted(1, 1, -1, -1), 8, 8);
        p.setPen(QColor(0x1b, 0x26, 0x31));
        p.setFont(thaiFont(18, true));
        p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, utf8(captionOf(h.action)));
    }
    return image;
}

QImage bannerPicture(const char* heading, const char* line, QColor from, QColor to, QColor truckColour)
{
    QImage image = canvas(360, 130, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 360, 0);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    p.fillRect(image.rect(), g);
    truck(p, QRectF(14, 30, 110, 70), truckColour);
    p.setPen(Qt::white);
    p.setFont(thaiFont(30, true));
    p.drawText(QRect(135, 14, 215, 56), Qt::AlignCenter, utf8(heading));
    p.setFont(thaiFont(15));
    p.drawText(QRect(135, 70, 215, 50), Qt::AlignCenter | Qt::TextWordWrap, utf8(line));
    return image;
}

// ---- Wave files.

std::string waveBytes(const std::vector<std::int16_t>& samples)
{
    auto u32 = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += char((v >> (8 * i)) & 0xFF);
    };
    auto u16 = [](std::string& s, std::uint16_t v) {
        s += char(v & 0xFF);
        s += char(v >> 8);
    };
    const std::uint32_t data = std::uint32_t(samples.size() * 2);
    std::string w = "RIFF";
    u32(w, 36 + data);
    w += "WAVEfmt ";
    u32(w, 16);
    u16(w, 1);  // PCM
    u16(w, 1);  // mono
    u32(w, kSampleRate);
    u32(w, kSampleRate * 2);
    u16(w, 2);
    u16(w, 16);
    w += "data";
    u32(w, data);
    for (std::int16_t s : samples)
        u16(w, std::uint16_t(s));
    return w;
}

bool writeBytes(const std::string& path, const std::string& bytes, std::string* error)
{
    QFile f(QString::fromLocal8Bit(path.c_str()));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()))
        return true;
    if (error)
        *error = "cannot write " + path;
    return false;
}

struct Spoken {
    std::string file;  // "TSound01.wav"
    const char* text;  // UTF-8
};

std::vector<Spoken> spokenFiles()
{
    std::vector<Spoken> out = {
        {"TSound01.wav", "ยินดีต้อนรับ กรุณาระบุชื่อผู้ใช้และรหัสผ่าน"},
        {"TSound02.wav", "เข้าสู่โปรแกรมชั่งรถบรรทุก"},
        {"TSound04.wav", "เลือกรายงานที่ต้องการ"},
        {"TSound05.wav", "ซ่อมบำรุงแฟ้มข้อมูล"},
        {"TSound07.wav", "กำหนดค่าตัวแปรของระบบ"},
        {"TSound08.wav", "ต้องการออกจากโปรแกรมหรือไม่"},
        {"TSound09.wav", "ขอบคุณ สวัสดี"},
        {"TSound11.wav", "ยกเลิกการแก้ไข"},
        {"TSound12.wav", "กำลังอ่านน้ำหนักจากเครื่องชั่ง"},
        {"TSound26.wav", "กรุณาบันทึกข้อมูล"},
    };
    // Number00..09 the digits, 10 ten, 11 hundred, 12 thousand, 13 ten thousand, 14 hundred
    // thousand, 15 million, 16 the "one" after a ten, 21 the unit word, 22 the "two" of twenty.
    const char* numbers[] = {"ศูนย์", "หนึ่ง", "สอง", "สาม", "สี่", "ห้า", "หก", "เจ็ด", "แปด", "เก้า",
                             "สิบ", "ร้อย", "พัน", "หมื่น", "แสน", "ล้าน", "เอ็ด"};
    for (int i = 0; i <= 16; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Number%02d.wav", i);
        out.push_back({name, numbers[i]});
    }
    out.push_back({"Number21.wav", "กิโลกรัม"});
    out.push_back({"Number22.wav", "ยี่"});
    return out;
}

bool speak(const QString& espeak, const Spoken& s, const std::string& path)
{
    QProcess p;
    p.start(espeak, {QStringLiteral("-v"), QStringLiteral("th"), QStringLiteral("-s"), QStringLiteral("150"),
                     QStringLiteral("-w"), QString::fromLocal8Bit(path.c_str()), utf8(s.text)});
    if (!p.waitForFinished(kSpeechTimeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && QFile::exists(QString::fromLocal8Bit(path.c_str()));
}

std::string folderOf(const std::string& siteDir, const std::string& setting)
{
    std::string folder = core::paths::native(setting);
    if (folder.empty() || folder == "./" || folder == ".")
        folder = "";
    else if (folder.rfind("./", 0) == 0)
        folder = folder.substr(2);
    if (!folder.empty() && folder.front() == '/')
        return core::paths::resolve(folder);
    return core::paths::resolve(siteDir + "/" + folder);
}

std::string announcementText(const DemoContentOptions& options)
{
    std::string t = T("ประกาศ\r\n\r\nยินดีต้อนรับสู่โปรแกรมชั่งรถบรรทุก (สถานที่ตัวอย่าง)\r\n\r\n");
    if (!options.loginHint.empty())
        t += options.loginHint + "\r\n\r\n";
    t += T("เครื่องชั่งจำลองส่งน้ำหนักรถบรรทุกตัวอย่างเข้าทางพอร์ต COM1\r\n");
    t += T("ข้อความในกล่องนี้แก้ไขได้ แต่จะไม่ถูกบันทึก\r\n");
    return t;
}

}  // namespace

bool writeShellDemoContent(const std::string& siteDir, const core::Settings& settings, std::string* error,
                           const DemoContentOptions& options)
{
    bool ok = true;
    const std::unique_ptr<QGuiApplication> app = guiApplication(ok, error);
    if (!ok)
        return false;
    std::string base = folderOf(siteDir, settings.text("CDRV1"));
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    const std::string library = core::paths::resolve(base + "/library");
    const std::string sounds = core::paths::resolve(base + "/sounds");
    for (const std::string& d : {library, sounds})
        if (!QDir().mkpath(QString::fromLocal8Bit(d.c_str()))) {
            if (error)
                *error = "cannot create " + d;
            return false;
        }

    for (const ButtonPicture& b : buttonPictures()) {
        QImage image = canvas(32, 32, QColor(0xec, 0xec, 0xec));
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        b.draw(p);
        p.end();
        if (!save(image, library + "/" + b.file, error))
            return false;
    }
    if (!save(mainPicture(), library + "/MAIN.BMP", error) ||
        !save(bannerPicture("ยินดีต้อนรับ", "คลิกที่ภาพนี้เพื่ออ่านประกาศ", QColor(0x1b, 0x3a, 0x6b),
                            QColor(0x4a, 0x90, 0xc8), QColor(0xe6, 0x7e, 0x22)),
              library + "/welcome.bmp", error) ||
        !save(bannerPicture("ขอบคุณ", "แล้วพบกันใหม่", QColor(0x6c, 0x34, 0x83), QColor(0xc3, 0x9b, 0xd3),
                            QColor(0x27, 0xae, 0x60)),
              library + "/goodbye.bmp", error))
        return false;
    if (!writeBytes(base + "/DocFile.TXT", announcementText(options), error))
        return false;

    const QString espeak = options.speech ? QStandardPaths::findExecutable(QStringLiteral("espeak-ng")) : QString();
    const std::string silence = waveBytes(std::vector<std::int16_t>(std::size_t(kSampleRate / 4), 0));
    for (const Spoken& s : spokenFiles()) {
        const std::string path = sounds + "/" + s.file;
        if (!espeak.isEmpty() && speak(espeak, s, path))
            continue;
        if (!writeBytes(path, silence, error))
            return false;
    }
    // loop1.wav: a short rising chime after a login.
    std::vector<std::int16_t> chime = core::toneSamples(660, 120, kSampleRate);
    const std::vector<std::int16_t> second = core::toneSamples(880, 180, kSampleRate);
    chime.insert(chime.end(), second.begin(), second.end());
    return writeBytes(sounds + "/loop1.wav", waveBytes(chime), error);
}

bool shellDemoStep(const site::Site& site, std::string* error)
{
    DemoContentOptions options;
    options.loginHint = T("ผู้ใช้โปรแกรม ") + site::kDefaultAdmin + T(" หรือ OPER1  รหัสผ่าน ") + site::kDemoPassword;
    return writeShellDemoContent(site.dir, site.settings, error, options);
}

}  // namespace site
