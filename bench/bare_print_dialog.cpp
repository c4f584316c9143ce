// The reference for the host's memory: a bare Qt program that constructs the toolkit's own
// print dialog for the default printer and quits, as a program that prints without this
// project's host would at least do.
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QPrinter printer;
    QPrintDialog dialog(&printer);
    // Let the dialog settle as a shown one would, without a window system to show it on.
    dialog.ensurePolished();
    QTimer::singleShot(0, &app, &QApplication::quit);
    return app.exec();
}
