#include "site/tool_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <filesystem>
#include <functional>

namespace site {
namespace {

constexpr int kSize = 32;

using Glyph = std::function<void(QPainter&)>;

const QColor kInk(0x2c, 0x3e, 0x50);
const QColor kArrow(0x21, 0x6f, 0xb5);

// A filled triangle pointing left (dx -1) or right (+1) with its tip at x, and a bar at a limit.
void triangle(QPainter& p, double tipX, int dx)
{
    QPainterPath path;
    path.moveTo(tipX, 16);
    path.lineTo(tipX - dx * 12, 6);
    path.lineTo(tipX - dx * 12, 26);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kArrow);
    p.drawPath(path);
}

void upDown(QPainter& p, bool up)
{
    QPainterPath path;
    const double tip = up ? 8 : 24, base = up ? 20 : 12;
    path.moveTo(16, tip);
    path.lineTo(6, base);
    path.lineTo(26, base);
    path.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kArrow);
    p.drawPath(path);
    p.setPen(QPen(kInk, 3));
    p.drawLine(QPointF(6, up ? 5 : 27), QPointF(26, up ? 5 : 27));
}

void miniTruck(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(0xe6, 0x7e, 0x22));
    p.drawRect(QRectF(3, 9, 16, 11));
    p.setBrush(QColor(0xec, 0xf0, 0xf1));
    p.drawRect(QRectF(20, 12, 9, 8));
    p.setBrush(kInk);
    for (double x : {8.0, 24.0})
        p.drawEllipse(QPointF(x, 23), 3, 3);
    p.setPen(QPen(QColor(0x7f, 0x8c, 0x8d), 2));
    p.drawLine(QPointF(1, 28), QPointF(31, 28));
}

struct Picture {
    const char* file;
    Glyph draw;
};

std::vector<Picture> pictures()
{
    return {
        {"prev.bmp", [](QPainter& p) { triangle(p, 8, -1); }},
        {"next.bmp", [](QPainter& p) { triangle(p, 24, 1); }},
        {"top.bmp", [](QPainter& p) { upDown(p, true); }},
        {"bottom.bmp", [](QPainter& p) { upDown(p, false); }},
        {"Process.bmp", miniTruck},
        {"config.bmp",
         [](QPainter& p) {
             // A pencil over a sheet: change the data.
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(5, 4, 17, 24));
             p.setPen(QPen(QColor(0xf1, 0xc4, 0x0f), 4, Qt::SolidLine, Qt::FlatCap));
             p.drawLine(QPointF(12, 22), QPointF(27, 7));
             p.setPen(QPen(kInk, 2));
             p.drawLine(QPointF(10, 25), QPointF(12, 22));
         }},
        {"del.bmp",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(8, 8), QPointF(24, 24));
             p.drawLine(QPointF(24, 8), QPointF(8, 24));
         }},
        {"inspsma.bmp",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 2.5));
             p.setBrush(QColor(0xd6, 0xea, 0xf8));
             p.drawEllipse(QPointF(13, 13), 8, 8);
             p.setPen(QPen(kInk, 4, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(19, 19), QPointF(27, 27));
         }},
        {"save.bmp",
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1.2));
             p.setBrush(kArrow);
             p.drawRect(QRectF(5, 5, 22, 22));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(9, 5, 14, 8));
             p.setBrush(QColor(0xbd, 0xc3, 0xc7));
             p.drawRect(QRectF(9, 18, 14, 9));
         }},
        {"cancel.bmp",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), 3));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(16, 16), 11, 11);
             p.drawLine(QPointF(8.5, 23.5), QPointF(23.5, 8.5));
         }},
    };
}

}  // namespace

bool writeToolPictures(const std::string& libraryFolder, std::string* error)
{
    std::error_code ec;
    std::filesystem::create_directories(libraryFolder, ec);
    for (const Picture& pic : pictures()) {
        QImage image(kSize, kSize, QImage::Format_RGB32);
        image.fill(QColor(0xf0, 0xf0, 0xf0));
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            pic.draw(p);
        }
        const std::string path = (std::filesystem::path(libraryFolder) / pic.file).string();
        if (!image.convertToFormat(QImage::Format_RGB888).save(QString::fromLocal8Bit(path.c_str()), "BMP")) {
            if (error)
                *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

bool toolPicturesDemoStep(const site::Site& site, std::string* error)
{
    return writeToolPictures(site.folder("CDRV1") + "library", error);
}

}  // namespace site
