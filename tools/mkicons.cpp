// Build-time painter of the hicolor icons:
//   zindle-mkicons OUTDIR SIZE...
// writes OUTDIR/SIZExSIZE/apps/zindle.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "widgets/artwork.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: zindle-mkicons OUTDIR SIZE...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "zindle-mkicons: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(dir) || !zindle::appIconPixmap(size).save(dir + "/zindle.png")) {
            std::fprintf(stderr, "zindle-mkicons: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
