// Pictures of the window and the set-up of the suites on an X display.
#include "korvane-print/window_suite.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QWidget>

namespace host_testing {

namespace {

// Where the pictures go, made when missing.
QString pictureFolder()
{
    const QString folder = QDir::cleanPath(KORVANE_TEST_BIN_DIR "/../screenshots");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace

// The wait lets the window finish painting what the last step changed.
int savePicture(QWidget& window, const QString& name)
{
    QTest::qWait(250);
    const QImage image = window.screen()->grabWindow(window.winId()).toImage();
    image.save(pictureFolder() + "/" + name, "PNG");
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

void DialogOnDisplay::SetUp()
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "this suite needs an X display (run it under xvfb-run)";
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
