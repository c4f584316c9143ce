// Checks the two Job Control layouts and their translations against what the panel's code relies
// on: outlet names and classes, tags, matrix rows, actions, lock buttons, keyboard order, captions
// that translate, and a size that holds every language without clipping.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QBuffer>
#include <QComboBox>
#include <QDomDocument>
#include <QFile>
#include <QFormBuilder>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include "platform/form_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

const QString kResourceDir = QStringLiteral(KORVANE_TEST_SOURCE_DIR "/src/resources");

struct ExpectedOutlet {
    const char* name;
    const char* className;
};

// Outlets that both layouts hold.
const std::vector<ExpectedOutlet> kCommonOutlets = {
    {"tabView", "QTabWidget"},
    {"retentionCheckBox", "QCheckBox"},
    {"suspendBox", "QGroupBox"},
    {"suspendMatrix", "QWidget"},
    {"holdOnlyRadioButton", "QRadioButton"},
    {"holdAfterRadioButton", "QRadioButton"},
    {"samplePrintRadioButton", "QRadioButton"},
    {"suspendKeyStaticText", "QLabel"},
    {"suspendKeyEditText", "QLineEdit"},
    {"suspendKeyButton", "QToolButton"},
    {"filingBox", "QGroupBox"},
    {"folderSelectionStaticText", "QLabel"},
    {"folderPasswordStaticText", "QLabel"},
    {"folderPasswordEditText", "QLineEdit"},
    {"folderPasswordButton", "QToolButton"},
    {"authenticationMatrix", "QWidget"},
    {"authenticationRadioButton", "QRadioButton"},
    {"loginNameStaticText", "QLabel"},
    {"loginNameEditText", "QLineEdit"},
    {"loginNameButton", "QToolButton"},
    {"passwordStaticText", "QLabel"},
    {"passwordEditText", "QLineEdit"},
    {"passwordButton", "QToolButton"},
    {"userNumberRadioButton", "QRadioButton"},
    {"userNumberEditText", "QLineEdit"},
    {"userNumberButton", "QToolButton"},
    {"accountNumberStaticText", "QLabel"},
    {"accountNumberEditText", "QLineEdit"},
    {"accountNumberButton", "QToolButton"},
    {"jobIDBox", "QGroupBox"},
    {"userNameStaticText", "QLabel"},
    {"userNameEditText", "QLineEdit"},
    {"userNameButton", "QToolButton"},
    {"jobNameStaticText", "QLabel"},
    {"jobNameEditText", "QLineEdit"},
    {"jobNameButton", "QToolButton"},
    {"printersAddressStaticText", "QLabel"},
    {"printersAddressEditText", "QLineEdit"},
    {"chasingArrow", "QProgressBar"},
    {"getFolderNameButton", "QPushButton"},
};

// Outlets of the pop-up variant only.
const std::vector<ExpectedOutlet> kPopupOutlets = {{"folderSelectionPopup", "QComboBox"}};

// Outlets of the matrix variant only.
const std::vector<ExpectedOutlet> kMatrixOutlets = {
    {"folderSelectionMatrix", "QWidget"},      {"quickFileRadioButton", "QRadioButton"},
    {"mainFolderRadioButton", "QRadioButton"}, {"customFolderRadioButton", "QRadioButton"},
    {"folderNameEditText", "QLineEdit"},       {"folderNameButton", "QToolButton"},
};

// The action each control sends, when the layout holds the control.
const std::map<std::string, std::string> kActions = {
    {"tabView", "tabProc:"},
    {"retentionCheckBox", "retentionCBoxProc:"},
    {"suspendMatrix", "suspendKeyMatrixProc:"},
    {"suspendKeyEditText", "suspendKeyETextProc:"},
    {"suspendKeyButton", "suspendKeyButtonProc:"},
    {"folderSelectionPopup", "folderSelectionPopUpButtonProc:"},
    {"folderPasswordEditText", "folderPasswordETextProc:"},
    {"folderPasswordButton", "folderPasswordButtonProc:"},
    {"folderNameButton", "folderNameButtonProc:"},
    {"folderSelectionMatrix", "folderSelectionMatrixProc:"},
    {"authenticationMatrix", "authenticationMatrixProc:"},
    {"loginNameEditText", "loginNameETextProc:"},
    {"loginNameButton", "loginNameButtonProc:"},
    {"passwordEditText", "passwordETextProc:"},
    {"passwordButton", "passwordButtonProc:"},
    {"userNumberEditText", "userNumberETextProc:"},
    {"userNumberButton", "userNumberButtonProc:"},
    {"userNameEditText", "userNameETextProc:"},
    {"userNameButton", "userNameButtonProc:"},
    {"jobNameEditText", "jobNameETextProc:"},
    {"jobNameButton", "jobNameButtonProc:"},
    {"accountNumberEditText", "accountNumberETextProc:"},
    {"accountNumberButton", "accountNumberButtonProc:"},
    {"getFolderNameButton", "getFolderNameButtonProc:"},
    {"printersAddressEditText", "printersAddressButtonProc:"},
};

// Keys the code looks up besides the layouts' captions.
const QStringList kExtraKeys = {"Job Control", "On", "Off", "Could not retrieve Folder Names.%@", "OK"};

struct LayoutCase {
    const char* file;
    bool popupVariant;
};

// Names a layout case in failure messages.
void PrintTo(const LayoutCase& layout, std::ostream* out)
{
    *out << layout.file;
}

// Loads a layout from the resource folder; null (with a test failure) when it cannot be loaded.
std::unique_ptr<QWidget> loadLayout(const QString& name)
{
    QFile file(kResourceDir + "/" + name + ".ui");
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot open " << file.fileName().toStdString();
        return nullptr;
    }
    QFormBuilder loader;
    std::unique_ptr<QWidget> root(loader.load(&file));
    if (!root)
        ADD_FAILURE() << "cannot load " << name.toStdString() << ": " << loader.errorString().toStdString();
    return root;
}

// The outlets a variant must hold.
std::vector<ExpectedOutlet> outletsOf(bool popupVariant)
{
    std::vector<ExpectedOutlet> outlets = kCommonOutlets;
    const auto& extra = popupVariant ? kPopupOutlets : kMatrixOutlets;
    outlets.insert(outlets.end(), extra.begin(), extra.end());
    return outlets;
}

// Whether a widget is one of Qt's own parts of a control (the tab bar's scroll buttons, the
// pop-up's list); every widget of the layouts themselves has a name.
bool isInternalPart(const QWidget* w)
{
    return w->objectName().isEmpty() || w->objectName().startsWith("qt_") ||
           qobject_cast<const QTabBar*>(w->parentWidget()) != nullptr;
}

// Names of all descendants of root (and root) with a given class name.
std::set<std::string> namesOfClass(QWidget* root, const char* className)
{
    std::set<std::string> names;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (qstrcmp(w->metaObject()->className(), className) == 0)
            names.insert(w->objectName().toStdString());
    return names;
}

// Every text a user reads in the layout: captions, tab labels, pop-up items and tool tips.
QStringList visibleTexts(QWidget* root)
{
    QStringList texts;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w))
            texts << label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
            texts << button->text();
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            texts << box->title();
        else if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        else if (auto* popup = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < popup->count(); ++i)
                texts << popup->itemText(i);
        if (!w->toolTip().isEmpty())
            texts << w->toolTip();
    }
    return texts;
}

// The translation key of a text: what comes before its first colon, leading blanks skipped.
QString keyOf(const QString& text)
{
    const int colon = text.indexOf(':');
    return (colon < 0 ? text : text.left(colon)).trimmed();
}

// One Qt Linguist file as read for the checks below.
struct Translations {
    QString version;
    QString language;
    QStringList contextNames;
    std::map<QString, QString> finished;  // source -> translation
    QStringList unfinished;               // sources marked unfinished, obsolete or empty
    QStringList duplicates;
};

// Reads a .ts file with QDomDocument.
Translations readTranslations(const QString& language)
{
    Translations ts;
    QFile file(kResourceDir + "/translations/korvane_" + language + ".ts");
    QDomDocument doc;
    if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file)) {
        ADD_FAILURE() << "cannot read " << file.fileName().toStdString();
        return ts;
    }
    const QDomElement root = doc.documentElement();
    ts.version = root.attribute("version");
    ts.language = root.attribute("language");
    for (QDomElement context = root.firstChildElement("context"); !context.isNull();
         context = context.nextSiblingElement("context")) {
        ts.contextNames << context.firstChildElement("name").text();
        for (QDomElement message = context.firstChildElement("message"); !message.isNull();
             message = message.nextSiblingElement("message")) {
            const QString source = message.firstChildElement("source").text();
            const QDomElement translation = message.firstChildElement("translation");
            if (ts.finished.count(source) != 0 || ts.unfinished.contains(source))
                ts.duplicates << source;
            if (translation.hasAttribute("type") || translation.text().isEmpty())
                ts.unfinished << source;
            else
                ts.finished[source] = translation.text();
        }
    }
    return ts;
}

// Puts every caption of root into a language the way the panel does: by the text before the
// colon, keeping the colon. An empty table leaves the English captions.
void translateCaptions(QWidget* root, const std::map<QString, QString>& table)
{
    auto localized = [&table](const QString& text) {
        const auto found = table.find(keyOf(text));
        if (found == table.end())
            return text;
        return text.contains(':') ? found->second + ":" : found->second;
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(localized(label->text()));
        else if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty())
            button->setText(localized(button->text()));
        else if (auto* box = qobject_cast<QGroupBox*>(w))
            box->setTitle(localized(box->title()));
        else if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                tabs->setTabText(i, localized(tabs->tabText(i)));
        else if (auto* popup = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < popup->count(); ++i)
                popup->setItemText(i, localized(popup->itemText(i)));
    }
}

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {
protected:
    void SetUp() override
    {
        root = loadLayout(GetParam().file);
        ASSERT_NE(root, nullptr);
    }

    // The outlet of that name, or null.
    QWidget* outlet(const char* name) const { return root->findChild<QWidget*>(name); }

    std::unique_ptr<QWidget> root;
};

// Every property of a widget that a layout can set, with its dynamic ones, as text.
std::map<std::string, std::string> propertiesOf(const QWidget& widget)
{
    std::map<std::string, std::string> properties;
    const QMetaObject* meta = widget.metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const QVariant value = property.read(&widget);
        if (property.isDesignable() && value.canConvert<QString>())
            properties[property.name()] = value.toString().toStdString();
        else if (value.canConvert<QSize>() || value.canConvert<QRect>())
            properties[property.name()] = QString("%1").arg(value.toRect().isValid() ? "rect" : "size").toStdString() +
                                          std::to_string(value.toSize().width()) + "x" +
                                          std::to_string(value.toSize().height());
    }
    for (const QByteArray& name : widget.dynamicPropertyNames())
        properties["dynamic " + name.toStdString()] = widget.property(name.constData()).toString().toStdString();
    if (auto* label = qobject_cast<const QLabel*>(&widget))
        properties["buddy"] = label->buddy() ? label->buddy()->objectName().toStdString() : "";
    if (auto* popUp = qobject_cast<const QComboBox*>(&widget))
        for (int k = 0; k < popUp->count(); ++k)
            properties["item " + std::to_string(k)] = popUp->itemText(k).toStdString();
    if (auto* tabs = qobject_cast<const QTabWidget*>(&widget))
        for (int k = 0; k < tabs->count(); ++k)
            properties["tab " + std::to_string(k)] = tabs->tabText(k).toStdString();
    // What the layouts place; pages not shown are not laid out, so their geometry says nothing.
    const QWidget* top = widget.window();
    for (const char* placed : {"geometry", "frameGeometry", "frameSize", "size", "rect", "childrenRect",
                               "normalGeometry", "width", "height", "x", "y", "pos", "frameRect", "childrenRegion"})
        properties.erase(placed);
    if (widget.isVisibleTo(top))
        properties["geometry"] = std::to_string(widget.geometry().x()) + "," + std::to_string(widget.geometry().y()) +
                                 " " + std::to_string(widget.width()) + "x" + std::to_string(widget.height());
    properties["focus next"] = widget.nextInFocusChain() ? widget.nextInFocusChain()->objectName().toStdString() : "";
    return properties;
}

TEST_P(LayoutTest, TheProjectsFormReaderBuildsWhatTheDesignersLoaderBuilds)
{
    QFile file(kResourceDir + "/" + GetParam().file + ".ui");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    platform::FormReader reader(file);
    std::string error;
    std::unique_ptr<QWidget> ours = reader.read(&error);
    ASSERT_NE(ours, nullptr) << error;
    for (QWidget* view : {ours.get(), root.get()}) {
        view->resize(560, 380);
        view->show();
        view->layout()->activate();
    }
    // The reader's pop-ups make their lists when first opened; the designer's loader made
    // them already. Laid out before, opened now: the geometry below is that of the reader's
    // own sizing, and the lists and policies are there to compare.
    for (QComboBox* popUp : ours->findChildren<QComboBox*>()) {
        popUp->showPopup();
        popUp->hidePopup();
    }
    const QList<QWidget*> expected = root->findChildren<QWidget*>();
    const QList<QWidget*> actual = ours->findChildren<QWidget*>();
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = -1; i < expected.size(); ++i) {
        QWidget* ourWidget = i < 0 ? ours.get() : actual[i];
        QWidget* theirWidget = i < 0 ? root.get() : expected[i];
        ASSERT_EQ(ourWidget->objectName(), theirWidget->objectName()) << i;
        EXPECT_STREQ(ourWidget->metaObject()->className(), theirWidget->metaObject()->className())
            << theirWidget->objectName().toStdString();
        if (isInternalPart(theirWidget))
            continue;
        const auto ourProperties = propertiesOf(*ourWidget);
        for (const auto& [name, value] : propertiesOf(*theirWidget)) {
            auto found = ourProperties.find(name);
            EXPECT_TRUE(found != ourProperties.end() && found->second == value)
                << theirWidget->objectName().toStdString() << "." << name << ": " << value << " here, "
                << (found == ourProperties.end() ? std::string("none") : found->second) << " from the reader";
        }
        EXPECT_EQ(ourProperties.size(), propertiesOf(*theirWidget).size()) << theirWidget->objectName().toStdString();
    }
}

TEST_P(LayoutTest, HoldsEveryOutletWithItsClassAndNoOther)
{
    EXPECT_EQ(root->objectName(), "panelView");
    EXPECT_STREQ(root->metaObject()->className(), "QWidget");
    for (const ExpectedOutlet& wanted : outletsOf(GetParam().popupVariant)) {
        const auto found = root->findChildren<QWidget*>(wanted.name);
        ASSERT_EQ(found.size(), 1) << wanted.name;
        EXPECT_STREQ(found.front()->metaObject()->className(), wanted.className) << wanted.name;
    }
    for (const ExpectedOutlet& wanted : GetParam().popupVariant ? kMatrixOutlets : kPopupOutlets)
        EXPECT_EQ(outlet(wanted.name), nullptr) << wanted.name << " belongs to the other variant";
    EXPECT_EQ(outlet("userNumberMatrix"), nullptr);
}

TEST_P(LayoutTest, TabsGroupRetentionAuthenticationAndJobIdentification)
{
    auto* tabs = qobject_cast<QTabWidget*>(outlet("tabView"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->currentIndex(), 0);
    const std::vector<std::vector<const char*>> pages = {
        {"retentionCheckBox", "suspendBox", "filingBox", "getFolderNameButton", "chasingArrow"},
        {"authenticationMatrix", "loginNameEditText", "userNumberEditText", "accountNumberEditText"},
        {"jobIDBox", "userNameEditText", "jobNameEditText", "printersAddressEditText"},
    };
    for (int page = 0; page < 3; ++page)
        for (const char* name : pages[page])
            EXPECT_TRUE(tabs->widget(page)->isAncestorOf(outlet(name))) << name << " not on tab " << page;
    EXPECT_TRUE(outlet("suspendBox")->isAncestorOf(outlet("suspendMatrix")));
    EXPECT_TRUE(outlet("suspendBox")->isAncestorOf(outlet("suspendKeyEditText")));
    const char* folderChoice = GetParam().popupVariant ? "folderSelectionPopup" : "folderSelectionMatrix";
    EXPECT_TRUE(outlet("filingBox")->isAncestorOf(outlet(folderChoice)));
    EXPECT_TRUE(outlet("filingBox")->isAncestorOf(outlet("folderPasswordEditText")));
    for (auto* box : root->findChildren<QGroupBox*>())
        EXPECT_FALSE(box->isCheckable()) << box->objectName().toStdString();
}

TEST_P(LayoutTest, LabelsCarryTagZeroAndEditFieldsUniqueNonzeroTags)
{
    std::set<std::string> expectedLabels, expectedEdits;
    for (const ExpectedOutlet& wanted : outletsOf(GetParam().popupVariant)) {
        if (qstrcmp(wanted.className, "QLabel") == 0)
            expectedLabels.insert(wanted.name);
        if (qstrcmp(wanted.className, "QLineEdit") == 0)
            expectedEdits.insert(wanted.name);
    }
    // A stray label or field would escape localisation and the panel's rules.
    EXPECT_EQ(namesOfClass(root.get(), "QLabel"), expectedLabels);
    EXPECT_EQ(namesOfClass(root.get(), "QLineEdit"), expectedEdits);

    for (auto* label : root->findChildren<QLabel*>()) {
        const QVariant tag = label->property("tag");
        ASSERT_TRUE(tag.isValid()) << label->objectName().toStdString();
        EXPECT_EQ(tag.toInt(), 0) << label->objectName().toStdString();
    }
    std::set<int> tags;
    for (auto* edit : root->findChildren<QLineEdit*>()) {
        bool isInt = false;
        const int tag = edit->property("tag").toInt(&isInt);
        EXPECT_TRUE(isInt && tag != 0) << edit->objectName().toStdString();
        EXPECT_TRUE(tags.insert(tag).second) << "tag " << tag << " used twice";
    }
    EXPECT_EQ(qobject_cast<QLineEdit*>(outlet("passwordEditText"))->echoMode(), QLineEdit::Password);
    EXPECT_EQ(qobject_cast<QLineEdit*>(outlet("loginNameEditText"))->echoMode(), QLineEdit::Normal);
}

TEST_P(LayoutTest, MatrixCellsCarryTheirRowsAndExcludeEachOther)
{
    std::map<std::string, std::vector<std::string>> matrices = {
        {"suspendMatrix", {"holdOnlyRadioButton", "holdAfterRadioButton", "samplePrintRadioButton"}},
        {"authenticationMatrix", {"authenticationRadioButton", "userNumberRadioButton"}},
    };
    if (!GetParam().popupVariant)
        matrices["folderSelectionMatrix"] = {"quickFileRadioButton", "mainFolderRadioButton",
                                             "customFolderRadioButton"};

    qsizetype cellsInMatrices = 0;
    for (const auto& [matrixName, rows] : matrices) {
        QWidget* matrix = outlet(matrixName.c_str());
        ASSERT_NE(matrix, nullptr) << matrixName;
        const auto cells = matrix->findChildren<QRadioButton*>();
        ASSERT_EQ(cells.size(), static_cast<qsizetype>(rows.size())) << matrixName;
        cellsInMatrices += cells.size();
        for (QRadioButton* cell : cells) {
            bool isInt = false;
            const int row = cell->property("row").toInt(&isInt);
            ASSERT_TRUE(isInt && row >= 0 && row < static_cast<int>(rows.size())) << cell->objectName().toStdString();
            EXPECT_EQ(cell->objectName().toStdString(), rows[row]) << matrixName << " row " << row;
            // Qt makes radio buttons exclusive among siblings only.
            EXPECT_EQ(cell->parentWidget(), matrix) << cell->objectName().toStdString();
            EXPECT_TRUE(cell->autoExclusive());
        }
    }
    EXPECT_EQ(root->findChildren<QRadioButton*>().size(), cellsInMatrices) << "a radio button outside a matrix";
}

TEST(PopupLayout, FolderPopupHoldsQuickFileAndMainFolder)
{
    std::unique_ptr<QWidget> root = loadLayout("JobControl");
    ASSERT_NE(root, nullptr);
    auto* popup = root->findChild<QComboBox*>("folderSelectionPopup");
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->count(), 2);
    EXPECT_EQ(popup->itemText(0), "Quick File");
    EXPECT_EQ(popup->itemText(1), "Main Folder");
    EXPECT_FALSE(popup->isEditable());
}

TEST_P(LayoutTest, EveryControlSendsItsActionAndNoOtherDoes)
{
    std::map<std::string, std::string> expected, found;
    for (const auto& [name, selector] : kActions)
        if (outlet(name.c_str()))
            expected[name] = selector;
    for (QWidget* w : root->findChildren<QWidget*>())
        if (const QVariant action = w->property("action"); action.isValid())
            found[w->objectName().toStdString()] = action.toString().toStdString();
    EXPECT_EQ(found, expected);
}

TEST_P(LayoutTest, LockButtonsAreCheckableIconOnlyToolButtons)
{
    std::vector<const char*> locks = {"suspendKeyButton", "folderPasswordButton", "loginNameButton", "passwordButton",
                                      "userNumberButton", "accountNumberButton",  "userNameButton",  "jobNameButton"};
    if (!GetParam().popupVariant)
        locks.push_back("folderNameButton");
    qsizetype toolButtons = 0;
    for (auto* button : root->findChildren<QToolButton*>())
        toolButtons += isInternalPart(button) ? 0 : 1;
    EXPECT_EQ(toolButtons, static_cast<qsizetype>(locks.size())) << "a tool button that is no lock";
    for (const char* name : locks) {
        auto* lock = qobject_cast<QToolButton*>(outlet(name));
        ASSERT_NE(lock, nullptr) << name;
        EXPECT_TRUE(lock->isCheckable()) << name;
        EXPECT_FALSE(lock->isChecked()) << name;
        EXPECT_TRUE(lock->text().isEmpty()) << name;
        EXPECT_EQ(lock->iconSize(), QSize(18, 18)) << name;
        EXPECT_FALSE(lock->autoRaise()) << name;
        EXPECT_FALSE(lock->toolTip().isEmpty()) << name;
        EXPECT_FALSE(lock->accessibleName().isEmpty()) << name;
        EXPECT_TRUE(lock->focusPolicy() & Qt::TabFocus) << name;
    }
}

TEST_P(LayoutTest, LabelsNameTheirFields)
{
    const std::map<std::string, std::string> buddies = {
        {"suspendKeyStaticText", "suspendKeyEditText"},
        {"folderSelectionStaticText", GetParam().popupVariant ? "folderSelectionPopup" : "folderSelectionMatrix"},
        {"folderPasswordStaticText", "folderPasswordEditText"},
        {"loginNameStaticText", "loginNameEditText"},
        {"passwordStaticText", "passwordEditText"},
        {"accountNumberStaticText", "accountNumberEditText"},
        {"userNameStaticText", "userNameEditText"},
        {"jobNameStaticText", "jobNameEditText"},
        {"printersAddressStaticText", "printersAddressEditText"},
    };
    for (const auto& [labelName, fieldName] : buddies) {
        auto* label = qobject_cast<QLabel*>(outlet(labelName.c_str()));
        ASSERT_NE(label, nullptr) << labelName;
        ASSERT_NE(label->buddy(), nullptr) << labelName;
        EXPECT_EQ(label->buddy()->objectName().toStdString(), fieldName) << labelName;
    }
}

TEST_P(LayoutTest, SpinnerIsASmallBusyIndicator)
{
    auto* spinner = qobject_cast<QProgressBar*>(outlet("chasingArrow"));
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->minimum(), 0);
    EXPECT_EQ(spinner->maximum(), 0);
    EXPECT_FALSE(spinner->isTextVisible());
    EXPECT_LE(spinner->maximumHeight(), 24);
}

TEST_P(LayoutTest, KeyboardVisitsTheControlsInReadingOrder)
{
    std::vector<std::string> expected = {"tabView",
                                         "retentionCheckBox",
                                         "holdOnlyRadioButton",
                                         "holdAfterRadioButton",
                                         "samplePrintRadioButton",
                                         "suspendKeyEditText",
                                         "suspendKeyButton"};
    const std::vector<std::string> filing =
        GetParam().popupVariant
            ? std::vector<std::string>{"folderSelectionPopup", "folderPasswordEditText", "folderPasswordButton",
                                       "getFolderNameButton"}
            : std::vector<std::string>{"quickFileRadioButton", "mainFolderRadioButton", "customFolderRadioButton",
                                       "folderNameEditText",   "folderNameButton",      "folderPasswordEditText",
                                       "folderPasswordButton", "getFolderNameButton"};
    const std::vector<std::string> rest = {"authenticationRadioButton", "loginNameEditText", "loginNameButton",
                                           "passwordEditText",          "passwordButton",    "userNumberRadioButton",
                                           "userNumberEditText",        "userNumberButton",  "accountNumberEditText",
                                           "accountNumberButton",       "userNameEditText",  "userNameButton",
                                           "jobNameEditText",           "jobNameButton",     "printersAddressEditText"};
    expected.insert(expected.end(), filing.begin(), filing.end());
    expected.insert(expected.end(), rest.begin(), rest.end());

    // Every named control that takes focus by Tab must be in the order above.
    std::set<std::string> focusable;
    for (QWidget* w : root->findChildren<QWidget*>())
        if ((w->focusPolicy() & Qt::TabFocus) && !isInternalPart(w))
            focusable.insert(w->objectName().toStdString());
    EXPECT_EQ(focusable, std::set<std::string>(expected.begin(), expected.end()));

    std::vector<std::string> chain;
    for (QWidget* w = root->nextInFocusChain(); w != root.get(); w = w->nextInFocusChain())
        if (focusable.count(w->objectName().toStdString()) != 0)
            chain.push_back(w->objectName().toStdString());
    EXPECT_EQ(chain, expected);
}

TEST_P(LayoutTest, CaptionsCarryAColonOnlyWhereTheyLabelAField)
{
    for (auto* label : root->findChildren<QLabel*>()) {
        EXPECT_TRUE(label->text().endsWith(':')) << label->objectName().toStdString();
        EXPECT_EQ(label->text().count(':'), 1) << label->objectName().toStdString();
    }
    const QStringList labelTexts = [this] {
        QStringList texts;
        for (auto* label : root->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }();
    for (const QString& text : visibleTexts(root.get())) {
        if (!labelTexts.contains(text)) {
            EXPECT_FALSE(text.contains(':')) << text.toStdString();
        }
    }
}

TEST_P(LayoutTest, FitsThePanelSizeInEveryLanguage)
{
    for (const char* language : {"en", "de", "ja"}) {
        std::unique_ptr<QWidget> panel = loadLayout(GetParam().file);
        ASSERT_NE(panel, nullptr);
        if (qstrcmp(language, "en") != 0)
            translateCaptions(panel.get(), readTranslations(language).finished);
        const QSize needed = panel->minimumSizeHint();
        EXPECT_LE(needed.width(), 560) << language;
        EXPECT_LE(needed.height(), 380) << language;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest,
                         ::testing::Values(LayoutCase{"JobControl", true}, LayoutCase{"JobControl2", false}),
                         [](const auto& info) { return std::string(info.param.file); });

class TranslationTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TranslationTest, FileIsOneFinishedLocalizableContext)
{
    const Translations ts = readTranslations(GetParam());
    EXPECT_EQ(ts.version, "2.1");
    EXPECT_EQ(ts.language, QString(GetParam()) + (QString(GetParam()) == "de" ? "_DE" : "_JP"));
    EXPECT_EQ(ts.contextNames, QStringList{"Localizable"});
    EXPECT_TRUE(ts.unfinished.isEmpty()) << ts.unfinished.join(", ").toStdString();
    EXPECT_TRUE(ts.duplicates.isEmpty()) << ts.duplicates.join(", ").toStdString();
}

TEST_P(TranslationTest, EveryCaptionKeyIsTranslatedWithoutAColon)
{
    const Translations ts = readTranslations(GetParam());
    QStringList keys = kExtraKeys;
    for (const char* layout : {"JobControl", "JobControl2"}) {
        std::unique_ptr<QWidget> root = loadLayout(layout);
        ASSERT_NE(root, nullptr);
        for (const QString& text : visibleTexts(root.get()))
            keys << keyOf(text);
    }
    keys.removeDuplicates();
    for (const QString& key : keys) {
        const auto found = ts.finished.find(key);
        ASSERT_NE(found, ts.finished.end()) << "no translation of \"" << key.toStdString() << "\"";
        // The panel adds the colon back after the translation.
        EXPECT_FALSE(found->second.contains(':') || found->second.contains(QChar(0xFF1A))) << key.toStdString();
    }
}

TEST_P(TranslationTest, AlertKeepsItsPlaceholder)
{
    const Translations ts = readTranslations(GetParam());
    const auto found = ts.finished.find("Could not retrieve Folder Names.%@");
    ASSERT_NE(found, ts.finished.end());
    EXPECT_EQ(found->second.count("%@"), 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationTest, ::testing::Values("de", "ja"),
                         [](const auto& info) { return std::string(info.param); });

TEST(Translations, BothLanguagesTranslateTheSameKeys)
{
    std::set<std::string> german, japanese;
    for (const auto& entry : readTranslations("de").finished)
        german.insert(entry.first.toStdString());
    for (const auto& entry : readTranslations("ja").finished)
        japanese.insert(entry.first.toStdString());
    EXPECT_EQ(german, japanese);
}

}  // namespace

namespace {

// A one-label form whose label is called name.
QByteArray labelForm(const char* name, const char* tail = "</ui>\n")
{
    return QByteArray(
               "<?xml version=\"1.0\"?>\n<ui version=\"4.0\"><widget class=\"QWidget\" name=\"top\">"
               "<widget class=\"QLabel\" name=\"") +
           name + "\"><property name=\"text\"><string>Folder &amp; PIN</string></property></widget></widget>" + tail;
}

bool writeForm(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

// A pop-up sized by its contents length: the toolkit's size hints for that policy, its list
// made only once it is opened.
TEST(FormFile, APopUpSizedByItsContentsLengthMakesItsListWhenOpened)
{
    const QByteArray form =
        "<?xml version=\"1.0\"?>\n<ui version=\"4.0\"><widget class=\"QWidget\" name=\"top\">"
        "<widget class=\"QComboBox\" name=\"folders\">"
        "<property name=\"sizeAdjustPolicy\"><enum>QComboBox::AdjustToMinimumContentsLengthWithIcon</enum></property>"
        "<property name=\"minimumContentsLength\"><number>16</number></property>"
        "</widget></widget></ui>\n";
    QBuffer device;
    device.setData(form);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    platform::FormReader reader(device);
    std::string error;
    const std::unique_ptr<QWidget> top = reader.read(&error);
    ASSERT_NE(top, nullptr) << error;
    auto* ours = top->findChild<QComboBox*>(QStringLiteral("folders"));
    ASSERT_NE(ours, nullptr);
    QComboBox toolkits;
    toolkits.setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    toolkits.setMinimumContentsLength(16);
    QPixmap lock(12, 12);
    lock.fill(Qt::darkGray);
    for (QComboBox* popUp : {ours, &toolkits}) {
        popUp->addItem(QIcon(lock), QStringLiteral("Contracts and invoices of the last twelve months"));
        popUp->addItem(QStringLiteral("Main"));
    }
    EXPECT_EQ(ours->findChild<QAbstractItemView*>(), nullptr) << "the list was made before it was wanted";
    EXPECT_EQ(ours->sizeHint(), toolkits.sizeHint());
    EXPECT_EQ(ours->minimumSizeHint(), toolkits.minimumSizeHint());
    QFont larger = ours->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    ours->setFont(larger);
    toolkits.setFont(larger);
    EXPECT_EQ(ours->sizeHint(), toolkits.sizeHint()) << "the size does not follow the font";

    ours->showPopup();
    ours->hidePopup();
    EXPECT_NE(ours->findChild<QAbstractItemView*>(), nullptr);
    EXPECT_EQ(ours->sizeAdjustPolicy(), QComboBox::AdjustToMinimumContentsLengthWithIcon);
    EXPECT_EQ(ours->sizeHint(), toolkits.sizeHint());
}

// The panel's path: a file's parse is kept for the next view, and a changed file is read anew.
TEST(FormFile, IsReadOnceAndAgainWhenItChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Form.ui"));
    ASSERT_TRUE(writeForm(path, labelForm("first")));
    for (int view = 0; view < 2; ++view) {
        auto reader = platform::FormReader::forFile(path);
        ASSERT_NE(reader, nullptr);
        std::string error;
        const std::unique_ptr<QWidget> top = reader->read(&error);
        ASSERT_NE(top, nullptr) << error;
        const auto* label = top->findChild<QLabel*>(QStringLiteral("first"));
        ASSERT_NE(label, nullptr) << view;
        EXPECT_EQ(label->text(), QStringLiteral("Folder & PIN"));
    }
    ASSERT_TRUE(writeForm(path, labelForm("second")));
    const std::unique_ptr<QWidget> changed = platform::FormReader::forFile(path)->read();
    ASSERT_NE(changed, nullptr);
    EXPECT_NE(changed->findChild<QLabel*>(QStringLiteral("second")), nullptr);

    // Not well-formed: no view, and the fault is named; a missing file gives no reader.
    ASSERT_TRUE(writeForm(path, labelForm("third", "")));
    auto broken = platform::FormReader::forFile(path);
    ASSERT_NE(broken, nullptr);
    std::string error;
    EXPECT_EQ(broken->read(&error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(platform::FormReader::forFile(dir.filePath(QStringLiteral("None.ui"))), nullptr);
}
