// Writes the program's drawn icons into a hicolor icon theme tree, so the
// pictures installed for the desktop are the very pixels the program draws.
//
//   zel-icon-export OUTDIR   ->  OUTDIR/hicolor/<n>x<n>/apps/<name>.png

#include "forms/icons.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[])
{
    // QPixmap needs a GUI application; the build runs this on the offscreen platform.
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zel-icon-export OUTDIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);

    const struct {
        const char* name;
        QIcon icon;
    } icons[] = {
        {"zel-fm-monitor", zel::windowIcon()},
        {"zel-fm-monitor-tray-silent", zel::silentTrayIcon()},
        {"zel-fm-monitor-tray-active", zel::activeTrayIcon()},
    };
    for (const auto& [name, icon] : icons) {
        for (int size : {16, 32, 48}) {
            const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(root).arg(size);
            const QString file = QStringLiteral("%1/%2.png").arg(dir, QLatin1String(name));
            // A scaled picture would be a wrong icon, not a smaller one.
            const QPixmap pm = icon.pixmap(QSize(size, size));
            if (pm.size() != QSize(size, size)) {
                std::fprintf(stderr, "zel-icon-export: %s has no %dx%d picture\n", name, size,
                             size);
                return 1;
            }
            if (!QDir().mkpath(dir) || !pm.save(file, "PNG")) {
                std::fprintf(stderr, "zel-icon-export: cannot write %s\n", qPrintable(file));
                return 1;
            }
        }
    }
    return 0;
}
