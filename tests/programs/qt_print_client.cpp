// qt-print-client QUEUE TITLE [NAME=VALUE...]: prints one page to the CUPS queue as any Qt
// application does, through QPrinter and Qt's CUPS print support. The NAME=VALUE pairs are
// the CUPS options Qt's print dialog would set for the PPD options a user chose on its
// Advanced page (ARHoldKey=Custom is its "Custom" PIN). Exit status 0 when Qt sent the job.
#include <QGuiApplication>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fputs("usage: qt-print-client QUEUE TITLE [NAME=VALUE...]\n", stderr);
        return 2;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(QString::fromLocal8Bit(argv[1]));
    if (!printer.isValid()) {
        std::fprintf(stderr, "qt-print-client: Qt knows no printer \"%s\"\n", argv[1]);
        return 1;
    }
    printer.setDocName(QString::fromLocal8Bit(argv[2]));
    QStringList cupsOptions;
    for (int i = 3; i < argc; ++i) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        cupsOptions << option.section('=', 0, 0) << option.section('=', 1);
    }
    // Where Qt's print dialog keeps the options of the printer's Advanced page.
    constexpr auto cupsOptionsProperty = QPrintEngine::PrintEnginePropertyKey(0xfe00);
    if (!cupsOptions.isEmpty())
        printer.printEngine()->setProperty(cupsOptionsProperty, cupsOptions);
    QPainter painter;
    if (!painter.begin(&printer)) {
        std::fputs("qt-print-client: Qt could not start the job\n", stderr);
        return 1;
    }
    painter.setFont(QFont("DejaVu Sans", 24));
    painter.drawText(QPointF(300, 600), "Budget 2027, printed from Qt");
    return painter.end() ? 0 : 1;
}
