#include "app/fontfallbacks.h"
#include "widgets/registercursorarea.h"

#include "rendercheck.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QQuickItem>
#include <QQuickWidget>
#include <QTest>

#include <algorithm>

namespace {

struct ImageSize
{
    const char *path;
    int width;
    int height;
};

// Every image the pages name, with the pixel size the pages lay it out at.
// The question window background has no size of its own: it is drawn at the
// narrow window's size.
const ImageSize pageImages[] = {
    {"home_page/korvo_rescue_disk_bg.png", 790, 514},
    {"home_page/korvo_rescue_disk_logo.png", 181, 42},
    {"home_page/Help_1.png", 22, 22}, {"home_page/Help_2.png", 22, 22}, {"home_page/Help_3.png", 22, 22},
    {"home_page/small_1.png", 22, 22}, {"home_page/small_2.png", 22, 22}, {"home_page/small_3.png", 22, 22},
    {"home_page/Close_1.png", 22, 22}, {"home_page/Close_2.png", 22, 22}, {"home_page/Close_3.png", 22, 22},
    {"home_page/facebook_1.png", 22, 22}, {"home_page/facebook_2.png", 22, 22},
    {"home_page/facebook_3.png", 22, 22},
    {"home_page/twitter_1.png", 22, 22}, {"home_page/twitter_2.png", 22, 22},
    {"home_page/twitter_3.png", 22, 22},
    {"home_page/G+_1.png", 22, 22}, {"home_page/G+_2.png", 22, 22}, {"home_page/G+_3.png", 22, 22},
    {"home_page/btn_bg_3.png", 220, 50},
    {"home_page/scan.png", 28, 32}, {"home_page/Anti-Hacker.png", 28, 32},
    {"home_page/Fast_Scan_1.png", 180, 180}, {"home_page/Fast_Scan_2.png", 180, 180},
    {"home_page/Scan_Computer_1.png", 180, 180}, {"home_page/Scan_Computer_2.png", 180, 180},
    {"home_page/Scan_Special_location_1.png", 180, 180},
    {"home_page/Scan_Special_location_2.png", 180, 180},
    {"scan/scan_animation_bg.png", 566, 112},
    {"scan/progress_bar_bg.png", 431, 20},
    {"scan/progress_bar_left.png", 7, 20}, {"scan/progress_bar_center.png", 1, 20},
    {"scan/progress_bar_right.png", 7, 20},
    {"scan/btn_bg_1.png", 107, 28}, {"scan/btn_bg_2.png", 107, 28}, {"scan/btn_bg_3.png", 107, 28},
    {"scan/details_1.png", 72, 24}, {"scan/details_2.png", 72, 24}, {"scan/details_3.png", 72, 24},
    {"scan/smile_face.png", 43, 32},
    {"scan/OK_1.png", 157, 45}, {"scan/OK_2.png", 157, 45}, {"scan/OK_3.png", 157, 45},
    {"scan/threat_title.png", 547, 78},
    {"scan/threats_panel.png", 547, 276},
    {"scan/icon.png", 33, 36},
    {"scan/scrollbar.png", 4, 4},
    {"scan/popup_dialog_background.png", 640, 410},
    {"scan/custom_background.png", 423, 410},
    {"animation/scan_1.png", 93, 93}, {"animation/scan_2.png", 93, 93}, {"animation/scan_3.png", 93, 93},
    {"animation/scan_4.png", 93, 93}, {"animation/scan_5.png", 93, 93},
    {"repair/fixnow_1.png", 107, 28}, {"repair/fixnow_2.png", 107, 28}, {"repair/fixnow_3.png", 107, 28},
    {"repair/bg_1.png", 547, 78},
    {"repair/registry_icon.png", 59, 71},
    {"repair/scan security problem_1.png", 183, 53}, {"repair/scan security problem_2.png", 183, 53},
    {"repair/scan security problem_3.png", 183, 53},
    {"repair/icon_ok.png", 59, 71},
    {"repair/ok.png", 22, 22}, {"repair/warning.png", 22, 22}, {"repair/repairing.png", 22, 22},
    {"repair/repair_ok.png", 22, 22}, {"repair/repairing_force.png", 22, 22},
    {"repair/bg.png", 55, 69}, {"repair/pointer.png", 55, 55},
    {"warning/warning_bg.png", 347, 183},
    {"warning/icon.png", 50, 61},
    {"warning/yes_1.png", 89, 30}, {"warning/yes_2.png", 89, 30}, {"warning/yes_3.png", 89, 30},
    {"about/bg.png", 563, 305},
    {"about/f_1.png", 31, 31}, {"about/f_2.png", 31, 31}, {"about/f_3.png", 31, 31},
    {"about/t_1.png", 31, 31}, {"about/t_2.png", 31, 31}, {"about/t_3.png", 31, 31},
    {"about/G+_1.png", 31, 31}, {"about/G+_2.png", 31, 31}, {"about/G+_3.png", 31, 31},
};

QImage pageImage(const QString &path)
{
    return QImage(QStringLiteral(":/ui/qml/image/") + path).convertToFormat(QImage::Format_ARGB32);
}

// Share of pixels where some channel (alpha included) differs by at least
// 20 of 255: small enough to ignore noise, large enough to be seen.
double visiblyChangedShare(const QImage &a, const QImage &b)
{
    int changed = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *rowA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *rowB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int difference = std::max({std::abs(qRed(rowA[x]) - qRed(rowB[x])),
                                             std::abs(qGreen(rowA[x]) - qGreen(rowB[x])),
                                             std::abs(qBlue(rowA[x]) - qBlue(rowB[x])),
                                             std::abs(qAlpha(rowA[x]) - qAlpha(rowB[x]))});
            if (difference >= 20)
                ++changed;
        }
    }
    return double(changed) / (a.width() * a.height());
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void imagesHaveTheirSizes_data();
    void imagesHaveTheirSizes();
    void buttonStatesDifferVisibly_data();
    void buttonStatesDifferVisibly();
    void fontsResolve();
    void textsFitTheirBoxes_data();
    void textsFitTheirBoxes();
    void gallery_data();
    void gallery();
};

void TestArtwork::initTestCase()
{
    registerCursorArea();
    installFontFallbacks();
}

void TestArtwork::imagesHaveTheirSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    for (const ImageSize &image : pageImages)
        QTest::newRow(image.path) << QString::fromLatin1(image.path) << QSize(image.width, image.height);
}

void TestArtwork::imagesHaveTheirSizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image = pageImage(path);
    QVERIFY2(!image.isNull(), qPrintable(path + QStringLiteral(" is missing")));
    QCOMPARE(image.size(), size);
    // Nothing blank by accident: every picture has visible pixels.
    bool anyVisible = false;
    for (int y = 0; y < image.height() && !anyVisible; ++y) {
        for (int x = 0; x < image.width() && !anyVisible; ++x)
            anyVisible = qAlpha(image.pixel(x, y)) > 0;
    }
    QVERIFY(anyVisible);
}

void TestArtwork::buttonStatesDifferVisibly_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    const char *threeStates[] = {
        "home_page/Help_%1.png", "home_page/small_%1.png", "home_page/Close_%1.png",
        "home_page/facebook_%1.png", "home_page/twitter_%1.png", "home_page/G+_%1.png",
        "scan/btn_bg_%1.png", "scan/details_%1.png", "scan/OK_%1.png", "repair/fixnow_%1.png",
        "repair/scan security problem_%1.png", "warning/yes_%1.png",
        "about/f_%1.png", "about/t_%1.png", "about/G+_%1.png",
    };
    for (const char *pattern : threeStates) {
        const QString name = QString::fromLatin1(pattern);
        QTest::addRow("%s normal/hovered", pattern) << name.arg(1) << name.arg(2);
        QTest::addRow("%s hovered/pressed", pattern) << name.arg(2) << name.arg(3);
        QTest::addRow("%s normal/pressed", pattern) << name.arg(1) << name.arg(3);
    }
    for (const char *tile : {"Fast_Scan", "Scan_Computer", "Scan_Special_location"}) {
        const QString name = QStringLiteral("home_page/%1_%2.png").arg(QLatin1String(tile));
        QTest::addRow("%s", tile) << name.arg(1) << name.arg(2);
    }
    for (int frame = 1; frame <= 5; ++frame) {
        QTest::addRow("scan animation %d/%d", frame, frame % 5 + 1)
            << QStringLiteral("animation/scan_%1.png").arg(frame)
            << QStringLiteral("animation/scan_%1.png").arg(frame % 5 + 1);
    }
}

void TestArtwork::buttonStatesDifferVisibly()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    const QImage a = pageImage(first);
    const QImage b = pageImage(second);
    QVERIFY(!a.isNull() && !b.isNull());
    QCOMPARE(a.size(), b.size());
    const double share = visiblyChangedShare(a, b);
    QVERIFY2(share >= 0.03, qPrintable(QStringLiteral("only %1% of the pixels differ").arg(share * 100)));
}

void TestArtwork::fontsResolve()
{
    // Wine's Tahoma when installed (the setup script installs it); the
    // stand-in otherwise, never a font of another shape.
    const QString tahoma = QFontInfo(QFont(QStringLiteral("Tahoma"))).family();
    QVERIFY2(tahoma == QLatin1String("Tahoma") || tahoma == QLatin1String("Liberation Sans"),
             qPrintable(tahoma));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("Segoe UI"))).family(), QStringLiteral("Liberation Sans"));
}

void TestArtwork::textsFitTheirBoxes_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wraps");

    const QString tahoma = QStringLiteral("Tahoma");
    QTest::newRow("navigation") << tahoma << 23 << false << QSize(145, 32) << "Repair" << false;
    QTest::newRow("scan choice") << tahoma << 18 << false << QSize(180, 26) << "Scan Special location" << false;
    QTest::newRow("scan label") << tahoma << 12 << false << QSize(107, 17) << "Objects Scanned:" << false;
    QTest::newRow("scan label 2") << tahoma << 12 << false << QSize(107, 17) << "Current Object:" << false;
    QTest::newRow("scan button") << tahoma << 14 << false << QSize(107, 28) << "Resume" << false;
    QTest::newRow("details button") << tahoma << 12 << false << QSize(82, 24) << "Details" << false;
    QTest::newRow("threat name") << tahoma << 14 << true << QSize(168, 17) << "Cloud.AVM.12345678" << false;
    QTest::newRow("fix button") << tahoma << 16 << false << QSize(107, 28) << "Fix Now" << false;
    QTest::newRow("OK button") << tahoma << 24 << false << QSize(157, 45) << "OK" << false;
    QTest::newRow("repair scan button") << tahoma << 22 << false << QSize(183, 53) << "Scan" << false;
    QTest::newRow("repair title") << tahoma << 22 << false << QSize(382, 71)
                                  << "Rescue System and Fix Windows Registry" << true;
    QTest::newRow("selector button") << tahoma << 14 << false << QSize(72, 24) << "Cancel" << false;
    QTest::newRow("question button") << tahoma << 15 << false << QSize(89, 30) << "YES" << false;
    QTest::newRow("about description")
        << QStringLiteral("Segoe UI") << 13 << false << QSize(340, 139)
        << "Quillmark Rescue Disk is designed to scan and remove stubborn malware or viruses "
           "(Mostly they are called Ransomware) that lock Windows system. When a computer was "
           "severely infected and it's Impossible to disinfect the computer using antivirus or "
           "malware removal program, in this case, the Quillmark Rescue Disk is capable of "
           "scanning & removing malware, and also repairing Windows registry effectively." << true;
}

void TestArtwork::textsFitTheirBoxes()
{
    QFETCH(QString, family);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);
    QFETCH(QSize, box);
    QFETCH(QString, text);
    QFETCH(bool, wraps);

    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    const QRectF needed = QFontMetricsF(font).boundingRect(
        QRectF(0, 0, box.width(), 10000), wraps ? Qt::TextWordWrap : 0, text);
    QVERIFY2(needed.width() <= box.width() && needed.height() <= box.height(),
             qPrintable(QStringLiteral("needs %1x%2 in %3")
                            .arg(needed.width()).arg(needed.height()).arg(QFontInfo(font).family())));
}

void TestArtwork::gallery_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("expectedTexts");

    QTest::newRow("gallery-controls") << "qrc:/tests/gallery/Gallery.qml"
                                      << QStringList{"Buttons", "Progress bars", "Lists", "Icons"};
    QTest::newRow("preview-main-window") << "qrc:/tests/gallery/MainWindowPreview.qml"
                                         << QStringList{"Scan", "Repair", "Flash Scan", "Scan Computer",
                                                        "Scan Special location", "Cloud Engine Version: 1.0",
                                                        "Cloud Status: Connected"};
    QTest::newRow("preview-pages") << "qrc:/tests/gallery/PagesPreview.qml"
                                   << QStringList{"Quick Scan", "Scan Complete", "Problems Found",
                                                  "Quillmark Rescue Disk v1.0"};
}

void TestArtwork::gallery()
{
    QFETCH(QString, page);
    QFETCH(QStringList, expectedTexts);

    QQuickWidget view;
    view.setSource(QUrl(page));
    QVERIFY2(view.status() == QQuickWidget::Ready, qPrintable(page));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QQuickItem *root = view.rootObject();
    QCOMPARE(view.size(), QSize(int(root->width()), int(root->height())));

    RenderCheck::saveScreenshot(view.grabFramebuffer(), QString::fromLatin1(QTest::currentDataTag()));
    const QStringList texts = RenderCheck::visibleTexts(root);
    for (const QString &expected : expectedTexts)
        QVERIFY2(texts.contains(expected), qPrintable(expected));
    const QStringList problems = RenderCheck::problems(root);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
