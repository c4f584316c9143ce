// The filter run as cupsd runs it: job id, user, title, copies, the options text of argv[5]
// and the document as a file or on standard input; the device stream on standard output.
#include "settings/keys.h"
#include "support/device_stream_reader.h"
#include "support/settings_reference.h"
#include "support/test_host.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace keys = korvane::keys;
namespace ref = testing_support::reference;
using testing_support::DeviceStream;
using testing_support::readDeviceStream;

namespace {

struct FilterRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Writes options as cupsd writes argv[5]: name=value pairs, with blanks, line breaks, quotes
// and backslashes escaped by a backslash; the options cupsd adds of its own come along.
std::string cupsdOptions(const std::map<std::string, std::string>& options)
{
    std::string text = "job-uuid=urn:uuid:6e1a710b-bed1-3374-4206-35d91c2f7ce1 number-up=1";
    for (const auto& [name, value] : options) {
        text += " " + name + "=";
        for (char c : value) {
            if (c == ' ' || c == '\t' || c == '\n' || c == '"' || c == '\'' || c == '\\')
                text += '\\';
            text += c;
        }
    }
    return text;
}

// A document with bytes a text-minded copy would damage, the stream's own job end among them.
std::string awkwardDocument()
{
    std::string pdf = "%PDF-1.4\n1 0 obj <</Type /Page>> endobj\n";
    pdf += std::string("\0\r\n\xFF\x80 @KJC EOJ\n@KJC SET RETENTION=\"NONE\"\n", 40);
    for (int i = 0; i < 70000; ++i)
        pdf += static_cast<char>(i * 7);
    return pdf + "\n%%EOF\n";
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.isValid()); }

    std::string writeDocument(const std::string& bytes)
    {
        const std::string path = scratch.path().toStdString() + "/d00042-001";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Runs the filter with the document as argv[6], or on standard input when file is empty.
    FilterRun run(const std::string& options, const std::string& file, const std::string& input = {})
    {
        QProcess filter;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", scratch.path());
        env.insert("LC_ALL", "C.UTF-8");
        filter.setProcessEnvironment(env);
        QStringList arguments{"42", "mia", "Budget Q3", "1", QString::fromStdString(options)};
        if (!file.empty())
            arguments << QString::fromStdString(file);
        filter.start(KORVANE_TEST_BIN_DIR "/korvane-jobcontrol", arguments);
        FilterRun result;
        if (!filter.waitForStarted(10000))
            return result;
        filter.write(input.data(), static_cast<qint64>(input.size()));
        filter.closeWriteChannel();
        if (!filter.waitForFinished(30000))
            filter.kill();
        result.exitCode = filter.exitStatus() == QProcess::NormalExit ? filter.exitCode() : -1;
        result.out = filter.readAllStandardOutput().toStdString();
        result.err = filter.readAllStandardError().toStdString();
        return result;
    }

    // The stream of a run that must have succeeded.
    static DeviceStream streamOf(const FilterRun& run)
    {
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::string why;
        std::optional<DeviceStream> stream = readDeviceStream(run.out, &why);
        EXPECT_TRUE(stream) << why;
        return stream.value_or(DeviceStream{});
    }

    // The spool-time text a stream carries, checked for the panel's format.
    static std::string spoolTimeOf(const DeviceStream& stream)
    {
        const std::string text = ref::unhex(stream.value("SPOOLTIME").value_or(""));
        EXPECT_TRUE(std::regex_match(text, std::regex("(Mon|Tue|Wed|Thu|Fri|Sat|Sun), [1-9][0-9]? [A-Z][a-z]{2} "
                                                      "[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}")))
            << text;
        return text;
    }

    // The plaintext of a spool-key Base64 value.
    static std::string spoolKeyPlaintext(const std::string& base64, const std::string& spoolTime)
    {
        return ref::untilZero(ref::aesDecrypt(ref::unbase64(base64), ref::spoolKey(spoolTime)));
    }

    QTemporaryDir scratch;
};

TEST_F(FilterTest, PanelJobTravelsInItsStoredFormsAndTheDocumentUnchanged)
{
    // The panel's own writer makes the keys, as the dialog sends them.
    testing_support::ScopedUserDirs dirs;
    testing_support::ScopedEnv locale("LC_ALL", "C.UTF-8");
    testing_support::TestHost host;
    auto panel = host.makePanel();
    ASSERT_NE(panel->panelView(), nullptr);
    panel->retentionCheckBox.setState(1);
    panel->suspendMatrix.selectCellAtRow(0);
    panel->suspendKeyEditText.setStringValue("4711");
    panel->authenticationMatrix.selectCellAtRow(0);
    panel->loginNameEditText.setStringValue("mia.jensen");
    panel->passwordEditText.setStringValue("sesame");
    panel->accountNumberEditText.setStringValue("42");
    panel->userNameEditText.setStringValue("Mia \"MJ\"");
    panel->jobNameEditText.setStringValue("Budget");
    panel->saveValuesAndReturnError(nullptr);
    const auto& keysOfPanel = host.settings.values();
    const std::string options = cupsdOptions(keysOfPanel);

    const std::string document = awkwardDocument();
    const FilterRun fromFile = run(options, writeDocument(document));
    const DeviceStream stream = streamOf(fromFile);
    const std::string t = spoolTimeOf(stream);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"SUBMITTER", ref::hex("mia")},
        {"TITLE", ref::hex("Budget Q3")},
        {"SPOOLTIME", keysOfPanel.at(keys::kSpoolTime)},
        {"RETENTION", "HOLD"},
        {"PINDIGEST", ref::md5("04711" + t)},
        {"FILING", "NONE"},
        {"FOLDER", ref::hex("*standard")},
        {"AUTHENTICATION", "LOGIN"},
        {"LOGINNAME", keysOfPanel.at(std::string(keys::kLoginName0Prefix) + "1")},
        {"PASSWORD", keysOfPanel.at(keys::kPassword)},
        {"ACCOUNT", "00042"},
        {"USERNAME", ref::hex("Mia  MJ ")},
        {"JOBNAME", ref::hex("Budget")},
    };
    EXPECT_EQ(stream.settings, expected);
    EXPECT_EQ(spoolKeyPlaintext(stream.value("LOGINNAME").value_or(""), t), "mia.jensen");
    EXPECT_EQ(spoolKeyPlaintext(stream.value("PASSWORD").value_or(""), t), "sesame");
    EXPECT_EQ(stream.language, "PDF");
    EXPECT_TRUE(stream.document == document) << "the document changed on its way";
    EXPECT_EQ(stream.tail, "@KJC EOJ\n");

    // The same job with the document on standard input gives the same stream.
    const FilterRun piped = run(options, "", document);
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_TRUE(piped.out == fromFile.out) << "standard input gave another stream than the file";
}

// A spool time as the panel stamps it: "Tue, 8 Dec 2026 18:55:32 +0000".
const std::string kSpoolTimeHex = ref::hex("Tue, 8 Dec 2026 18:55:32 +0000");

TEST_F(FilterTest, ValueThatWouldBreakTheHeaderIsRefusedBeforeAnyByteIsSent)
{
    const std::string digest = ref::md5("04711Tue, 8 Dec 2026 18:55:32 +0000");
    const std::string document = writeDocument(awkwardDocument());
    struct Case {
        std::string key;
        std::string value;
        std::string secret;  // a part of the value the log must never show
    };
    const std::vector<Case> cases{
        {keys::kJobSuspendKey, digest + "\n@KJC SET RETENTION=\"NONE\"", digest},
        {keys::kPassword, "c2VzYW1l\"ZQ==", "c2VzYW1l"},
        {keys::kFolderPath2, "2A7374616E\\64617264", "2A7374616E"},
        {keys::kUserNumber, "123456789", "123456789"},
        {std::string(keys::kLoginName0Prefix) + "1", std::string(1004, 'Q'), std::string(40, 'Q')},
        {"ARHoldKey", "Custom.12ab", "12ab"},
    };
    for (const Case& bad : cases) {
        std::map<std::string, std::string> options{{bad.key, bad.value}};
        if (bad.key.starts_with("korvane."))
            options.insert({{keys::kSpoolTime, kSpoolTimeHex}, {keys::kJobSuspend, "2"}});
        const FilterRun refused = run(cupsdOptions(options), document);
        EXPECT_NE(refused.exitCode, 0) << bad.key;
        EXPECT_EQ(refused.out, "") << bad.key << ": a refused job wrote to the printer";
        EXPECT_NE(refused.err.find("ERROR: "), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(bad.key), std::string::npos) << "the message must name the option: " << refused.err;
        EXPECT_EQ(refused.err.find(bad.secret), std::string::npos) << "a secret reached the log: " << refused.err;
    }

    // Forms that need the spool time are refused without it: the printer could not check them.
    const FilterRun withoutSpoolTime = run(cupsdOptions({{keys::kJobSuspendKey, digest}}), document);
    EXPECT_NE(withoutSpoolTime.exitCode, 0);
    EXPECT_EQ(withoutSpoolTime.out, "");
    EXPECT_NE(withoutSpoolTime.err.find(keys::kSpoolTime), std::string::npos) << withoutSpoolTime.err;
}

TEST_F(FilterTest, JobWithOnlyThePPDsOptionsIsHeldBehindItsPINInThePanelsForms)
{
    const std::string options = cupsdOptions({{"ARHoldKey", "Custom.4711"},
                                              {"ARAccountLogin", "Custom.mia"},
                                              {"ARAccountPassword", "Custom.ses ame"},
                                              {"ARUserNumber", "Custom.42"},
                                              {"ARJobName", "Custom.Caf\xC3\xA9 \"Q3\""}});
    const std::string document = awkwardDocument();
    const DeviceStream stream = streamOf(run(options, writeDocument(document)));
    const std::string t = spoolTimeOf(stream);
    EXPECT_EQ(stream.names(),
              (std::vector<std::string>{"SUBMITTER", "TITLE", "SPOOLTIME", "RETENTION", "PINDIGEST", "FILING", "FOLDER",
                                        "AUTHENTICATION", "LOGINNAME", "PASSWORD", "USERNUMBER", "JOBNAME"}));
    EXPECT_EQ(stream.value("RETENTION"), "HOLD");
    EXPECT_EQ(stream.value("PINDIGEST"), ref::md5("04711" + t));
    EXPECT_EQ(stream.value("FOLDER"), ref::hex("*standard"));
    EXPECT_EQ(stream.value("AUTHENTICATION"), "LOGIN");
    EXPECT_EQ(spoolKeyPlaintext(stream.value("LOGINNAME").value_or(""), t), "mia");
    EXPECT_EQ(spoolKeyPlaintext(stream.value("PASSWORD").value_or(""), t), "ses ame");
    EXPECT_EQ(stream.value("USERNUMBER"), "00042");
    // Windows Latin 1 with the quotes turned into spaces, as the panel writes the second form.
    EXPECT_EQ(stream.value("JOBNAME"), ref::hex("Caf\xE9  Q3 "));
    EXPECT_TRUE(stream.document == document);
    EXPECT_EQ(stream.tail, "@KJC EOJ\n");
}

TEST_F(FilterTest, PanelKeysWinOverThePPDsOptions)
{
    // The dialog said: no retention. The PPD's PIN option of another layer must not hold it.
    const std::string options = cupsdOptions({{keys::kSpoolTime, kSpoolTimeHex},
                                              {keys::kJobSuspend, "0"},
                                              {"ARHoldKey", "Custom.4711"},
                                              {"ARJobName", "Custom.Other"}});
    const FilterRun result = run(options, writeDocument("%PDF-1.4\n%%EOF\n"));
    const DeviceStream stream = streamOf(result);
    EXPECT_EQ(stream.value("RETENTION"), "NONE");
    EXPECT_EQ(stream.value("PINDIGEST"), std::nullopt);
    EXPECT_EQ(stream.value("JOBNAME"), std::nullopt);
    EXPECT_EQ(stream.value("SPOOLTIME"), kSpoolTimeHex);
    EXPECT_NE(result.err.find("ARHoldKey, ARJobName are ignored"), std::string::npos) << result.err;
}

}  // namespace
