// A held job that no colleague can open: through a real cupsd with Debian's stock policy, another
// local user (nobody, with ipptool, as anyone could) reads every attribute cupsd shows of the
// dialog's jobs, while they wait and after they have printed, and finds no secret in any form;
// a sealed value that does not open stops its job before the printer gets a byte.
#include "korvane-print/host_harness.h"
#include "korvane-print/printer_jobs.h"
#include "settings/keys.h"
#include "settings/sealed_options.h"
#include "stand_in.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace host_testing;
namespace keys = korvane::keys;

namespace {

// One attribute of an IPP response as ipptool -v prints it.
struct ShownAttribute {
    std::string name;
    std::string value;
};

class PrivateJobs : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        office = std::make_unique<OfficeChain>(
            CupsdPolicy::DebianDefault,
            std::vector<std::string>{"--user", "mia.jensen:sesame", "--user-number", "4242", "--folder", "Reports",
                                     "--folder", "Finance:protected"});
        if (office->error.empty() && !writeFile(office->cupsd.folder() + "/get-job-attributes.test", kGetJobAttributes))
            office->error = "cannot write the ipptool test";
    }
    static void TearDownTestSuite() { office.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(office->error.empty()) << office->error;
        ASSERT_TRUE(scratch.isValid());
        document = minimalPdf() + "%% private report\n";
        ASSERT_TRUE(writeFile(path("report.pdf"), document));
    }

    std::string path(const std::string& name) const { return scratch.path().toStdString() + "/" + name; }

    // The dialog's batch host printing the document on the queue with these arguments.
    ProcessResult printFromTheDialog(std::vector<std::string> arguments,
                                     std::map<std::string, std::string> environment = {})
    {
        arguments.insert(arguments.begin(), {"--batch", "--printer", "office"});
        arguments.push_back(path("report.pdf"));
        environment.insert({{"CUPS_SERVER", office->cupsd.server()},
                            {"HOME", scratch.path().toStdString()},
                            {"XDG_CONFIG_HOME", path("config")},
                            {"XDG_RUNTIME_DIR", path("runtime")}});
        return runProgram(hostProgram(), arguments, environment);
    }

    // Every attribute of the job that cupsd shows to the given user, as ipptool prints them.
    static std::vector<ShownAttribute> jobAsSeenBy(const std::string& user, int jobId)
    {
        const std::string uri = "ipp://" + office->cupsd.server() + "/jobs/" + std::to_string(jobId);
        const std::string test = office->cupsd.folder() + "/get-job-attributes.test";
        const ProcessResult shown = user == "root"
                                        ? runProgram("ipptool", {"-tv", uri, test})
                                        : runProgram("setpriv", {"--reuid=" + user, "--regid=nogroup", "--clear-groups",
                                                                 "ipptool", "-tv", uri, test});
        EXPECT_EQ(shown.exitCode, 0) << shown.out << shown.err;
        std::vector<ShownAttribute> attributes;
        const QRegularExpression line("^\\s+(\\S+) \\([^)]*\\) = (.*)$", QRegularExpression::MultilineOption);
        for (auto match = line.globalMatch(QString::fromStdString(shown.out)); match.hasNext();) {
            const auto found = match.next();
            attributes.push_back({found.captured(1).toStdString(), found.captured(2).toStdString()});
        }
        return attributes;
    }

    static std::string valueOf(const std::vector<ShownAttribute>& attributes, const std::string& name)
    {
        for (const ShownAttribute& attribute : attributes)
            if (attribute.name == name)
                return attribute.value;
        return {};
    }

    // Fails the test for anything in what another user sees of the job that reveals a secret:
    // a secret-bearing key, any stored form the tab made of a secret (fixed-key AES, digests,
    // spool-key AES, plain numbers) or a secret as typed.
    static void expectNoSecretIn(const std::vector<ShownAttribute>& shown,
                                 const std::map<std::string, std::string>& forms, const std::vector<std::string>& typed)
    {
        ASSERT_EQ(valueOf(shown, keys::kJobSuspend), "2") << "the view shows none of the job's options, so it proves "
                                                             "nothing";
        EXPECT_FALSE(valueOf(shown, std::string(korvane::settings::kSealedPrefix) + "1").empty())
            << "the secrets' sealed value is not among the job's options";
        for (const ShownAttribute& attribute : shown) {
            EXPECT_FALSE(korvane::settings::isSecretBearingKey(attribute.name)) << attribute.name << " is shown";
            for (const auto& [key, form] : forms) {
                // Short forms (a padded number) can turn up inside a time or an id by chance.
                const bool found =
                    form.size() >= 16 ? attribute.value.find(form) != std::string::npos : attribute.value == form;
                EXPECT_FALSE(found) << "the form of " << key << " is shown in " << attribute.name;
            }
            for (const std::string& secret : typed)
                EXPECT_EQ(attribute.value.find(secret), std::string::npos)
                    << secret << " is shown in " << attribute.name;
        }
    }

    // The forms of the secrets the tab wrote into the job's print settings, from the dump.
    static std::map<std::string, std::string> secretFormsOf(const std::string& dump)
    {
        std::map<std::string, std::string> forms;
        const QJsonObject settings =
            QJsonDocument::fromJson(QByteArray::fromStdString(dump)).object().value("printSettings").toObject();
        for (auto it = settings.begin(); it != settings.end(); ++it)
            if (korvane::settings::isSecretBearingKey(it.key().toStdString()))
                forms[it.key().toStdString()] = it.value().toString().toStdString();
        return forms;
    }

    // The ipptool test another user runs: every attribute of one job.
    static inline const char* kGetJobAttributes = R"({
  NAME "Get-Job-Attributes, every attribute"
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri job-uri $uri
  ATTR name requesting-user-name $user
  ATTR keyword requested-attributes all
  STATUS successful-ok
}
)";

    static inline std::unique_ptr<OfficeChain> office;
    QTemporaryDir scratch;
    std::string document;
};

TEST_F(PrivateJobs, AnotherUserRecoversNoSecretOfTheDialogsJobsWhileTheyWaitNorFromTheHistory)
{
    // Every secret the tab takes, in jobs that wait in cupsd: a PIN, a protected folder's
    // password, and a login name with its password or a user number, each with an account.
    const std::vector<std::string> common{"-o",
                                          "job-hold-until=indefinite",
                                          "--dump",
                                          "--set",
                                          "retentionCheckBox=1",
                                          "--set",
                                          "printersAddressEditText=" + office->printer.address(),
                                          "--set",
                                          "getFolderNameButton=1",
                                          "--set",
                                          "folderSelectionPopup=4",
                                          "--set",
                                          "folderPasswordEditText=97531",
                                          "--set",
                                          "suspendMatrix=0",
                                          "--set",
                                          "suspendKeyEditText=80714",
                                          "--set",
                                          "accountNumberEditText=27183"};
    std::vector<std::string> withLogin = common;
    withLogin.insert(withLogin.end(), {"--set", "authenticationMatrix=0", "--set", "loginNameEditText=mia.jensen",
                                       "--set", "passwordEditText=sesame"});
    std::vector<std::string> withUserNumber = common;
    withUserNumber.insert(withUserNumber.end(),
                          {"--set", "authenticationMatrix=1", "--set", "userNumberEditText=4242"});
    const std::vector<std::string> typed{"mia.jensen", "sesame"};

    std::vector<std::pair<int, std::map<std::string, std::string>>> held;
    for (const auto& arguments : {withLogin, withUserNumber}) {
        const ProcessResult run = printFromTheDialog(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto jobId = sentJobId(run.err);
        ASSERT_TRUE(jobId) << run.err;
        const auto forms = secretFormsOf(run.out);
        ASSERT_GE(forms.size(), 8u) << "the job must carry secrets of every kind: " << run.out;
        ASSERT_TRUE(office->cupsd.waitForJobState(*jobId, IPP_JSTATE_HELD, 60000))
            << "job " << *jobId << " does not wait in cupsd";
        held.emplace_back(*jobId, forms);
    }
    for (const auto& [jobId, forms] : held) {
        SCOPED_TRACE("job " + std::to_string(jobId) + " while it waits");
        expectNoSecretIn(jobAsSeenBy("nobody", jobId), forms, typed);
    }

    // The owner lets the first job go: the printer holds it behind its PIN, which releases it.
    const auto& [jobId, forms] = held.front();
    const qsizetype before = office->printer.jobs().size();
    const ProcessResult resumed =
        runProgram("lp", {"-h", office->cupsd.server(), "-i", std::to_string(jobId), "-H", "resume"});
    ASSERT_EQ(resumed.exitCode, 0) << resumed.err;
    ASSERT_TRUE(office->cupsd.waitForJobState(jobId, IPP_JSTATE_COMPLETED, 60000))
        << "job " << jobId << " did not print: " << valueOf(jobAsSeenBy("root", jobId), "job-printer-state-message");
    const QJsonArray after = office->printer.jobs();
    ASSERT_EQ(after.size(), before + 1);
    const QJsonObject atPrinter = after.last().toObject();
    EXPECT_EQ(atPrinter.value("state").toString(), "held");
    const int printerJob = atPrinter.value("id").toInt();
    const ProcessResult released =
        runProgram("curl", {"-sS", "-o", "/dev/null", "-w", "%{http_code}", "-d", "pin=80714",
                            office->printer.url("/jobs/" + std::to_string(printerJob) + "/release")});
    EXPECT_EQ(released.out, "200");
    EXPECT_TRUE(readFile(printedFile(office->printerFolder(), printerJob)) == document);

    SCOPED_TRACE("job " + std::to_string(jobId) + " in cupsd's history");
    expectNoSecretIn(jobAsSeenBy("nobody", jobId), forms, typed);
}

TEST_F(PrivateJobs, ASealedValueChangedOnItsWayOrSentForAnotherUserStopsTheJobBeforeThePrinter)
{
    // The options the dialog sends, sealed for this server and the test's user.
    const ProcessResult dry = printFromTheDialog({"--dry-run", "--dump", "--set", "retentionCheckBox=1", "--set",
                                                  "suspendMatrix=0", "--set", "suspendKeyEditText=80714"});
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    std::map<std::string, std::string> sent;
    const QJsonObject dumped =
        QJsonDocument::fromJson(QByteArray::fromStdString(dry.out)).object().value("jobOptions").toObject();
    for (auto it = dumped.begin(); it != dumped.end(); ++it)
        if (it.key().startsWith("korvane.print.PrintSettings."))
            sent[it.key().toStdString()] = it.value().toString().toStdString();
    const std::string firstPiece = std::string(korvane::settings::kSealedPrefix) + "1";
    ASSERT_TRUE(sent.contains(firstPiece)) << dry.out;
    std::map<std::string, std::string> changed = sent;
    changed[firstPiece][70] = changed[firstPiece][70] == 'A' ? 'B' : 'A';

    struct Case {
        const char* what;
        std::map<std::string, std::string> settings;
        std::map<std::string, std::string> environment;
    };
    const std::vector<Case> cases{
        {"one character changed", changed, {}},
        {"sent by another user", sent, {{"CUPS_USER", "mallory"}}},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        QJsonObject settings;
        for (const auto& [key, value] : each.settings)
            settings.insert(QString::fromStdString(key), QString::fromStdString(value));
        ASSERT_TRUE(writeFile(path("sent.json"), QJsonDocument(settings).toJson().toStdString()));
        const qsizetype before = office->printer.jobs().size();
        // As the job travels: the sealed pieces as they are, nothing of the tab saved again.
        const ProcessResult run =
            printFromTheDialog({"--settings", path("sent.json"), "--calls", "panelView"}, each.environment);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto jobId = sentJobId(run.err);
        ASSERT_TRUE(jobId) << run.err;
        ASSERT_TRUE(office->cupsd.waitForJobState(*jobId, IPP_JSTATE_STOPPED, 60000))
            << "job " << *jobId << " was not stopped";
        const std::string message = valueOf(jobAsSeenBy("root", *jobId), "job-printer-state-message");
        EXPECT_NE(message.find("sealed for the print server and cannot be opened"), std::string::npos) << message;
        EXPECT_NE(message.find("for another user, or changed on their way"), std::string::npos) << message;
        EXPECT_EQ(message.find(each.settings.at(firstPiece).substr(0, 16)), std::string::npos) << message;
        QTest::qWait(1000);
        for (qsizetype i = before; i < office->printer.jobs().size(); ++i)
            EXPECT_EQ(office->printer.jobs().at(i).toObject().value("state").toString(), "refused")
                << "the printer got a job it could hold or print";
    }
}

}  // namespace
