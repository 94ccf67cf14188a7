// make-icons: draws the program's pictures into a folder.
//
//   make-icons OUTPUT_FOLDER [--contact-sheet FILE]
//
// Besides the pictures it writes the desktop's icon theme folders, icons/hicolor/<size>/apps,
// with the application icon as SVG and in the usual PNG sizes.
//
// The contact sheet shows every picture on the dark toolbar colour and on white, at full size
// and at the sizes the program shows them, for checking by eye.

#include "Artwork.h"
#include "Canvas.h"
#include "Icons.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <vector>

namespace {

struct Picture
{
    QString fileName;
    std::function<QImage()> draw;
};

using PictureSet = QHash<QString, QImage>;

const QStringList kMenuIcons{"import.png",  "export.png",  "print.png",     "sync.png",
                             "backup.png",  "restore.png", "fromother.png", "search.png",
                             "compose.png", "exit.png",    "help.png"};

// The main window's toolbar, left to right.
const QStringList kToolbarIcons{"import.png",  "export.png",    "print.png",  "backup.png",
                                "restore.png", "fromother.png", "search.png", "help.png"};

std::vector<Picture> pictures()
{
    using namespace icons;
    return {
        {"import.png", importIcon},       {"export.png", exportIcon},
        {"print.png", printIcon},         {"sync.png", syncIcon},
        {"backup.png", backupIcon},       {"restore.png", restoreIcon},
        {"fromother.png", fromOtherIcon}, {"search.png", searchIcon},
        {"compose.png", composeIcon},     {"exit.png", exitIcon},
        {"help.png", helpIcon},           {"main_icon.png", [] { return applicationIcon(256); }},
        {"banner.png", accountBanner},    {"toolbar.png", toolbarBackground},
        {"db.png", databaseIcon},         {"contact.png", contactIcon},
    };
}

void drawIconRow(QPainter& p, const PictureSet& set, int y, int size, const QColor& back)
{
    p.fillRect(QRect(0, y, 20 + int(kMenuIcons.size()) * (size + 20), size + 20), back);
    int x = 20;
    for (const QString& name : kMenuIcons) {
        p.drawImage(QRect(x, y + 10, size, size), set.value(name));
        x += size + 20;
    }
}

// A 16-pixel icon in front of a strip of the colour it is shown on.
void drawListEntry(QPainter& p, const QImage& icon, QPoint at, const QColor& back)
{
    p.fillRect(QRect(at, QSize(200, 40)), back);
    p.drawImage(QRect(at + QPoint(10, 12), QSize(16, 16)), icon);
}

QImage contactSheet(const PictureSet& set)
{
    QImage sheet(1720, 1060, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xF2, 0xF2, 0xF2));
    QPainter p(&sheet);
    icons::prepare(p);
    int y = 0;
    for (const int size : {128, 64, 40, 16}) {
        drawIconRow(p, set, y, size, icons::palette::navy);
        y += size + 20;
        drawIconRow(p, set, y, size, Qt::white);
        y += size + 20;
    }
    const QImage mainIcon = set.value("main_icon.png");
    p.drawImage(QPoint(20, y + 10), mainIcon);
    p.drawImage(QRect(300, y + 10, 64, 64), mainIcon);
    p.drawImage(QRect(300, y + 90, 16, 16), mainIcon);
    p.drawImage(QPoint(400, y + 10), set.value("banner.png"));
    p.drawImage(QPoint(400, y + 100), set.value("db.png"));
    p.drawImage(QPoint(850, y + 100), set.value("contact.png"));
    drawListEntry(p, set.value("db.png"), QPoint(400, y + 150), Qt::white);
    drawListEntry(p, set.value("contact.png"), QPoint(620, y + 150), QColor(0xDA, 0xEF, 0xFF));
    // The toolbar as the main window shows it: 40-pixel icons, 20 pixels apart.
    const int bar = y + 280;
    p.drawImage(QPoint(0, bar), set.value("toolbar.png"));
    int x = 7;
    for (const QString& name : kToolbarIcons) {
        p.drawImage(QRect(x, bar + 6, 40, 40), set.value(name));
        x += 60;
    }
    return sheet;
}

// Each size drawn at that size, so small icons stay sharp.
bool writeDesktopIcons(const QDir& out, QTextStream& err)
{
    const QString name = QStringLiteral("tallowbrook");
    const QString scalable = QStringLiteral("icons/hicolor/scalable/apps");
    QFile svg(out.filePath(scalable + "/" + name + ".svg"));
    if (!out.mkpath(scalable) || !svg.open(QIODevice::WriteOnly) ||
        svg.write(icons::applicationIconSvg()) < 0 || !svg.flush()) {
        err << "cannot write " << svg.fileName() << "\n";
        return false;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
        const QString path = out.filePath(folder + "/" + name + ".png");
        if (!out.mkpath(folder) || !icons::applicationIcon(size).save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString sheetFile;
    if (const qsizetype at = args.indexOf("--contact-sheet"); at >= 0 && at + 1 < args.size()) {
        sheetFile = args.at(at + 1);
        args.remove(at, 2);
    }
    if (args.size() != 1) {
        err << "usage: make-icons OUTPUT_FOLDER [--contact-sheet FILE]\n";
        return 2;
    }
    const QDir out(args.first());
    if (!out.mkpath(".")) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }
    PictureSet drawn;
    for (const Picture& picture : pictures()) {
        const QImage image = picture.draw();
        const QString path = out.filePath(picture.fileName);
        if (!image.save(path, "PNG")) {
            err << "cannot write " << path << "\n";
            return 1;
        }
        drawn.insert(picture.fileName, image);
    }
    if (!writeDesktopIcons(out, err))
        return 1;
    if (!sheetFile.isEmpty() && !contactSheet(drawn).save(sheetFile, "PNG")) {
        err << "cannot write " << sheetFile << "\n";
        return 1;
    }
    return 0;
}
