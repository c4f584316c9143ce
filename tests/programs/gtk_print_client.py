#!/usr/bin/python3
# gtk_print_client.py QUEUE TITLE: prints one page to the CUPS queue as any GTK 3 application
# does, through GtkPrintOperation and GTK's CUPS print backend, without showing its dialog.
# Exit status 0 when GTK sent the job. Needs a display (GTK does) and python3-gi with
# gir1.2-gtk-3.0.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402


def main():
    if len(sys.argv) != 3:
        print("usage: gtk_print_client.py QUEUE TITLE", file=sys.stderr)
        return 2
    settings = Gtk.PrintSettings()
    settings.set_printer(sys.argv[1])
    operation = Gtk.PrintOperation()
    operation.set_print_settings(settings)
    operation.set_job_name(sys.argv[2])
    operation.set_n_pages(1)
    # A blank page: drawing needs cairo's binding, which the job does not.
    operation.connect("draw-page", lambda *args: None)
    outcome = {}

    def done(_operation, result):
        outcome["result"] = result
        if Gtk.main_level() > 0:
            Gtk.main_quit()

    operation.connect("done", done)
    result = operation.run(Gtk.PrintOperationAction.PRINT, None)
    if result == Gtk.PrintOperationResult.IN_PROGRESS and "result" not in outcome:
        Gtk.main()
        result = outcome["result"]
    if result != Gtk.PrintOperationResult.APPLY:
        print("gtk_print_client.py: GTK did not send the job: %s" % result, file=sys.stderr)
        return 1
    return 0


sys.exit(main())
