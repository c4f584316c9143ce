// Pictures of the window and the set-up of the suites on an X display.
#include "korvane-print/window_suite.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QStyleHints>
#include <QTest>
#include <QWidget>

#include <cstdlib>

namespace host_testing {

namespace {

// Where the pictures go, made when missing.
QString pictureFolder()
{
    const QString folder = QDir::cleanPath(KORVANE_TEST_BIN_DIR "/../screenshots");
    QDir().mkpath(folder);
    return folder;
}

// How far the screen may stray from a widget's own drawing: rounding where antialiased edges
// meet the background, never as much as a check mark (about 30 pixels) or a changed digit.
constexpr int kChannelTolerance = 40;
constexpr int kMostStrayPixels = 4;
// The fewest pixels a widget must draw for its picture to say anything.
constexpr int kFewestDrawnPixels = 16;

// Whether two opaque pixels differ more than rounding explains.
bool differ(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) > kChannelTolerance || std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
           std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance;
}

// Whether the picture shows widget where it lies in window: its own drawing, laid over that
// part of the picture, must change almost nothing of what shows through its visible region.
::testing::AssertionResult showsWidget(const QImage& picture, QWidget& window, QWidget* widget)
{
    if (!widget)
        return ::testing::AssertionFailure() << "a widget the picture must show does not exist";
    const std::string name = widget->objectName().toStdString();
    const QRegion visible = widget->visibleRegion();
    if (!widget->isVisible() || visible.isEmpty())
        return ::testing::AssertionFailure() << name << " is not visible";
    const QRect place(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    if (!picture.rect().contains(place))
        return ::testing::AssertionFailure() << name << " lies outside the window's picture";
    const QImage own = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage shown = picture.copy(place).convertToFormat(QImage::Format_RGB32);
    QImage laid = shown;
    QPainter painter(&laid);
    painter.drawImage(0, 0, own);
    painter.end();
    int drawn = 0;
    int stray = 0;
    for (int y = 0; y < shown.height() && y < own.height(); ++y) {
        for (int x = 0; x < shown.width() && x < own.width(); ++x) {
            if (!visible.contains(QPoint(x, y)) || qAlpha(own.pixel(x, y)) < 128)
                continue;
            ++drawn;
            stray += differ(laid.pixel(x, y), shown.pixel(x, y)) ? 1 : 0;
        }
    }
    if (drawn < kFewestDrawnPixels)
        return ::testing::AssertionFailure() << name << " draws " << drawn << " pixels, too few to be seen";
    if (stray > kMostStrayPixels)
        return ::testing::AssertionFailure() << "the screen shows something else where " << name << " is: " << stray
                                             << " of its " << drawn << " pixels differ";
    return ::testing::AssertionSuccess();
}

}  // namespace

// The wait lets the window finish painting what the last step changed.
::testing::AssertionResult savePicture(QWidget& window, const QString& name, const QList<QWidget*>& shown)
{
    QTest::qWait(250);
    const QImage picture = window.screen()->grabWindow(window.winId()).toImage();
    picture.save(pictureFolder() + "/" + name, "PNG");
    for (QWidget* widget : shown) {
        ::testing::AssertionResult result = showsWidget(picture, window, widget);
        if (!result)
            return result << " (in " << name.toStdString() << ")";
    }
    return ::testing::AssertionSuccess();
}

void DialogOnDisplay::SetUp()
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "this suite needs an X display (run it under xvfb-run)";
    // A text cursor that stays on looks the same in the window's picture and in a widget's own.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    ASSERT_TRUE(cupsd.isRunning()) << "the window tests print to a real cupsd and it could not start: "
                                   << cupsd.error();
    cupsSetServer(cupsd.server().c_str());
    setUpQueuesAndDocument();
}

void DialogOnDisplay::TearDown()
{
    cupsSetServer(nullptr);
}

}  // namespace host_testing
