// What the suites that drive the print dialog on a real X display share: the display itself, a
// cupsd of their own that the dialog and libcups talk to, private user folders, the built
// bundle, and pictures of the window left in the build folder.
#pragma once

#include "korvane-print/host_harness.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QList>
#include <QString>

#include <string>

class QWidget;

namespace host_testing {

// The window as the X server shows it, saved under name in the build folder's screenshots (for
// a person to look at and for the README). Succeeds when the picture shows each of the given
// widgets, visible, where it lies in the window and as it draws itself now.
::testing::AssertionResult savePicture(QWidget& window, const QString& name, const QList<QWidget*>& shown);

// A suite on an X display with a cupsd of its own: SetUp fails the test when either is missing,
// points libcups at the server, then lets the suite add its queues and its document.
class DialogOnDisplay : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The suite's queues on cupsd and the document it prints.
    virtual void setUpQueuesAndDocument() = 0;

    ScratchCupsd cupsd;
    testing_support::ScopedUserDirs userDirs;
    testing_support::ScopedEnv cupsServer{"CUPS_SERVER", cupsd.server()};
    testing_support::ScopedEnv plugins{"KORVANE_PLUGIN_PATH", std::string(KORVANE_TEST_BIN_DIR)};
    std::string document;  // the file the suite's dialogs print
};

}  // namespace host_testing
