// The install tree and the Debian package: the host finds its bundle and the sample PPD where
// `cmake --install` puts them, and `cpack -G DEB` packs all of it.
#include "korvane-print/host_harness.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace host_testing;

namespace {

const std::string kBuildDir = QDir::cleanPath(KORVANE_TEST_BIN_DIR "/..").toStdString();

// What an installation must hold, relative to its prefix.
const std::vector<std::string> kInstalledFiles{
    "bin/korvane-print",
    "lib/korvane-print/plugins/KorvaneJobControl.plugin/KorvaneJobControl.so",
    "lib/korvane-print/plugins/KorvaneJobControl.plugin/Resources/JobControl.ui",
    "lib/korvane-print/plugins/KorvaneJobControl.plugin/Resources/korvane_de.qm",
    "lib/korvane-print/plugins/korvane-pdf-pages.so",
    "share/korvane-print/ppd/korvane-rk880.ppd",
    "lib/cups/filter/korvane-jobcontrol",
    "lib/cups/driver/korvane",
    "sbin/korvane-seal-key",
    "share/applications/korvane-print.desktop",
    "etc/xdg/autostart/korvane-print-agent.desktop",
    "share/man/man1/korvane-print.1",
};

TEST(HostInstall, TheInstalledHostFindsItsBundleAndTheSamplePrinter)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const std::string root = prefix.path().toStdString();
    const ProcessResult install = runProgram("cmake", {"--install", kBuildDir, "--prefix", root});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    for (const std::string& file : kInstalledFiles)
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(root + "/" + file))) << file;

    // Run from elsewhere, with nothing pointing back into the build tree.
    const ProcessResult run =
        runProgram(root + "/bin/korvane-print",
                   {"--batch", "--printer", "sample", "--dry-run", "--calls", "panelView,willShow,summary", "--dump"},
                   {{"KORVANE_PLUGIN_PATH", ""}, {"XDG_CONFIG_HOME", root + "/config"}});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QJsonObject dump = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    const QJsonObject panel = dump.value("panel").toObject();
    EXPECT_EQ(panel.value("modelStringRef").toString(), "Korvane RK-880 MFP") << "the installed PPD was not read";
    EXPECT_EQ(panel.value("panelName").toString(), "Job Control");
    EXPECT_TRUE(dump.value("controls").toObject().contains("retentionCheckBox"))
        << "the installed layout was not loaded";
    EXPECT_EQ(dump.value("summary").toObject().value("Job Retention").toString(), "Off");

    const std::string desktop = readFile(root + "/share/applications/korvane-print.desktop");
    EXPECT_NE(desktop.find("Exec=korvane-print %F"), std::string::npos);
    const std::string agent = readFile(root + "/etc/xdg/autostart/korvane-print-agent.desktop");
    EXPECT_NE(agent.find("Exec=korvane-print --agent"), std::string::npos);
    // The manual page formats without a warning.
    const ProcessResult manual =
        runProgram("groff", {"-man", "-Tutf8", "-ww", "-P-cbou", root + "/share/man/man1/korvane-print.1"});
    EXPECT_EQ(manual.exitCode, 0) << manual.err;
    EXPECT_NE(manual.out.find("EXIT STATUS"), std::string::npos);
    EXPECT_EQ(manual.err, "");
}

TEST(HostInstall, TheDriverProgramsPPDPassesCupstestppdWithTheFilterItNamesAndCarriesTheServersKey)
{
    // Installed as the package installs it, under /usr of a scratch root: cupstestppd -R finds
    // the filter the PPD names in that root's cupsd filter folder.
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const std::string destdir = root.path().toStdString();
    const ProcessResult install =
        runProgram("cmake", {"--install", kBuildDir, "--prefix", "/usr"}, {{"DESTDIR", destdir}});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    const std::string serverbin =
        destdir + QString::fromStdString(runProgram("cups-config", {"--serverbin"}).out).trimmed().toStdString();
    EXPECT_TRUE(QFileInfo(QString::fromStdString(serverbin + "/filter/korvane-jobcontrol")).isExecutable());

    // The key pair as the package's postinst makes it, and the PPD that lpadmin -m gets.
    const std::string keys = destdir + "/etc/korvane";
    const ProcessResult made = runProgram(destdir + "/usr/sbin/korvane-seal-key", {"--create", keys});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const ProcessResult ppd =
        runProgram(serverbin + "/driver/korvane", {"cat", "korvane:///rk880.ppd"}, {{"KORVANE_JOB_SEAL_DIR", keys}});
    ASSERT_EQ(ppd.exitCode, 0) << ppd.err;
    EXPECT_NE(ppd.out.find("*KorvaneJobSealKey: \"" + QString::fromStdString(made.out).trimmed().toStdString() + "\""),
              std::string::npos)
        << ppd.out;
    const std::string ppdFile = destdir + "/office.ppd";
    ASSERT_TRUE(writeFile(ppdFile, ppd.out));
    const ProcessResult test = runProgram("cupstestppd", {"-W", "all", "-R", destdir, ppdFile});
    EXPECT_EQ(test.exitCode, 0) << test.out << test.err;
    EXPECT_NE(test.out.find(": PASS"), std::string::npos) << test.out;
}

TEST(HostInstall, CpackMakesADebianPackageOfIt)
{
    QTemporaryDir output;
    ASSERT_TRUE(output.isValid());
    const ProcessResult pack = runProgram(
        "cpack", {"-G", "DEB", "-B", output.path().toStdString(), "--config", kBuildDir + "/CPackConfig.cmake"}, {},
        120000);
    ASSERT_EQ(pack.exitCode, 0) << pack.out << pack.err;
    const QStringList packages = QDir(output.path()).entryList({"korvane-print_*.deb"}, QDir::Files);
    ASSERT_EQ(packages.size(), 1) << pack.out;
    const std::string deb = output.path().toStdString() + "/" + packages.front().toStdString();

    const ProcessResult contents = runProgram("dpkg-deb", {"--contents", deb});
    ASSERT_EQ(contents.exitCode, 0) << contents.err;
    // The package's prefix is /usr; its etc is the system's /etc.
    for (const std::string& file : kInstalledFiles)
        EXPECT_NE(contents.out.find((file.rfind("etc/", 0) == 0 ? "./" : "./usr/") + file), std::string::npos) << file;
    const ProcessResult control = runProgram("dpkg-deb", {"--field", deb, "Package", "Depends"});
    EXPECT_NE(control.out.find("Package: korvane-print"), std::string::npos) << control.out;
    EXPECT_NE(control.out.find("libcups2"), std::string::npos) << control.out;
    // Installing makes the print server's key pair; purging removes it.
    const ProcessResult postinst = runProgram("dpkg-deb", {"--info", deb, "postinst"});
    EXPECT_NE(postinst.out.find("/usr/sbin/korvane-seal-key --create /etc/korvane"), std::string::npos)
        << postinst.out << postinst.err;
    const ProcessResult postrm = runProgram("dpkg-deb", {"--info", deb, "postrm"});
    EXPECT_NE(postrm.out.find("rm -f /etc/korvane/job-seal.key"), std::string::npos) << postrm.out << postrm.err;
}

}  // namespace
