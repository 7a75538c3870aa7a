// png32 IN OUT: rewrites a PNG as 32-bit colour with alpha, the form the
// boot menu background is carried in (rsvg-convert writes an opaque picture
// as 24-bit colour).
#include <QImage>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.png OUT.png\n", argv[0]);
        return 2;
    }
    const QImage in(QString::fromLocal8Bit(argv[1]));
    if (in.isNull()) {
        std::fprintf(stderr, "png32: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!in.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "png32: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
