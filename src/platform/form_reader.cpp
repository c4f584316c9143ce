#include "platform/form_reader.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QToolButton>
#include <QXmlStreamReader>
#include <QtMath>

#include <QFile>

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// A form file's elements in document order, as the reader needs them: each element's name,
// attributes and character data, and where its subtree ends. Parsing the XML is the larger
// part of reading a form; a tape is parsed once and read by every view made from the file.
struct FormTape {
    struct Element {
        QString name;
        QXmlStreamAttributes attributes;
        QString text;         // the character data directly inside it
        std::size_t end = 0;  // the index of the first element after its subtree
        bool hasChildren = false;
    };
    std::vector<Element> elements;
    QString error;  // why the XML is not well-formed; empty when it is
};

// Reads a tape with the operations of a streaming reader that the form reader uses, with the
// same results: readNextStartElement, name, attributes, readElementText, skipCurrentElement.
class FormCursor {
public:
    explicit FormCursor(std::shared_ptr<const FormTape> tape) : tape_(std::move(tape)) {}

    // Moves to the next element inside the current one; false at the current one's end.
    bool readNextStartElement()
    {
        if (!error_.isEmpty())
            return false;
        if (!open_.empty() && next_ >= open_.back()) {
            open_.pop_back();
            return false;
        }
        if (next_ >= tape_->elements.size())
            return false;
        current_ = next_++;
        open_.push_back(tape_->elements[current_].end);
        return true;
    }

    QStringView name() const { return element().name; }
    const QXmlStreamAttributes& attributes() const { return element().attributes; }

    // The text of the current element, which must hold no element, and its end.
    QString readElementText()
    {
        if (element().hasChildren) {
            error_ = QStringLiteral("Expected character data.");
            return {};
        }
        skipCurrentElement();
        return element().text;
    }

    void skipCurrentElement()
    {
        next_ = open_.back();
        open_.pop_back();
    }

    // The text inside the current element's child <attribute name="name">, read ahead without
    // moving; empty when there is none.
    QString attributeText(QStringView name) const
    {
        const std::size_t end = element().end;
        for (std::size_t child = current_ + 1; child < end; child = tape_->elements[child].end) {
            const FormTape::Element& candidate = tape_->elements[child];
            if (candidate.name == u"attribute" && candidate.attributes.value(QLatin1String("name")) == name)
                return child + 1 < candidate.end ? tape_->elements[child + 1].text : QString();
        }
        return {};
    }

    bool hasError() const { return !error_.isEmpty() || !tape_->error.isEmpty(); }
    QString errorString() const { return error_.isEmpty() ? tape_->error : error_; }

private:
    const FormTape::Element& element() const { return tape_->elements[current_]; }

    std::shared_ptr<const FormTape> tape_;
    std::vector<std::size_t> open_;  // the ends of the elements entered and not yet left
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    QString error_;
};

namespace {

// The tape of a form's bytes; a document that is not well-formed keeps the elements before
// the fault, as a streaming reader would have read them, and the fault.
std::shared_ptr<const FormTape> recordTape(const QByteArray& bytes)
{
    auto tape = std::make_shared<FormTape>();
    QXmlStreamReader xml(bytes);
    std::vector<std::size_t> open;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (!open.empty())
                tape->elements[open.back()].hasChildren = true;
            open.push_back(tape->elements.size());
            tape->elements.push_back({xml.name().toString(), xml.attributes(), {}, 0, false});
            break;
        case QXmlStreamReader::EndElement:
            tape->elements[open.back()].end = tape->elements.size();
            open.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!open.empty())
                tape->elements[open.back()].text += xml.text();
            break;
        default:
            break;
        }
    }
    for (std::size_t index : open)
        tape->elements[index].end = tape->elements.size();
    if (xml.hasError())
        tape->error = xml.errorString();
    return tape;
}

// What tells a file's versions apart: device, inode, size and time of change.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long changed = 0;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino, info.st_size,
                        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

// The tape of the form file at path, parsed again only when the file changed; nothing when it
// cannot be read.
std::shared_ptr<const FormTape> tapeOfFile(const QString& path)
{
    struct Kept {
        FileIdentity identity;
        std::shared_ptr<const FormTape> tape;
    };
    static std::mutex guard;
    static std::map<QString, Kept> kept;  // the few layout files of the bundles loaded
    const auto identity = identityOf(path);
    if (!identity)
        return nullptr;
    {
        const std::lock_guard lock(guard);
        if (const auto found = kept.find(path); found != kept.end() && found->second.identity == *identity)
            return found->second.tape;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto tape = recordTape(file.readAll());
    // A file replaced while it was read is read again next time.
    if (identityOf(path) == identity) {
        const std::lock_guard lock(guard);
        kept[path] = {*identity, tape};
    }
    return tape;
}

}  // namespace

// A property as the file states it: its name, whether it is one of the class's own, and its
// value; enumerations and sets stay keys ("Qt::AlignRight|Qt::AlignVCenter") until the
// property they go to is known.
struct FormProperty {
    QString name;
    bool standard = true;
    QVariant value;
    bool isKeys = false;
};

// The numbers inside a size, a rectangle or a size policy; a part not given is zero.
struct FormParts {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int horizontalStretch = 0;
    int verticalStretch = 0;
};

namespace {

// A pop-up that the layouts size by its minimum contents length, with room for an icon. The
// toolkit's size-adjust policy for that makes the pop-up's list at once (a list view in a
// frame with scrollers, a sixth of the time it takes to open the panel), although the list is
// wanted only when the user opens the pop-up. This one gives the size hints of that policy
// itself, and sets the policy just before the list is first shown.
class PopUpSizedByContentsLength : public QComboBox {
public:
    // Sizes the pop-up by the policy from now on; the policy itself waits for the list.
    void sizeByMinimumContentsLength()
    {
        policyPending_ = true;
        updateGeometry();
    }

    QSize sizeHint() const override { return policyPending_ ? contentsLengthSize() : QComboBox::sizeHint(); }
    QSize minimumSizeHint() const override
    {
        return policyPending_ ? contentsLengthSize() : QComboBox::minimumSizeHint();
    }

    void showPopup() override
    {
        if (policyPending_) {
            setSizeAdjustPolicy(AdjustToMinimumContentsLengthWithIcon);
            policyPending_ = false;
        }
        QComboBox::showPopup();
    }

private:
    // Room for the minimum contents length in capital X and an icon, or for the placeholder
    // text if wider, one line high (at least the icon), with the style's frame and arrow.
    QSize contentsLengthSize() const
    {
        const QFontMetrics& metrics = fontMetrics();
        const int iconRoom = iconSize().width() + 4;
        int width =
            minimumContentsLength() > 0 ? minimumContentsLength() * metrics.horizontalAdvance(u'X') + iconRoom : 0;
        if (!placeholderText().isEmpty())
            width = std::max(width, metrics.boundingRect(placeholderText()).width());
        const int textHeight = std::max(qCeil(QFontMetricsF(metrics).height()), 14) + 2;
        QStyleOptionComboBox option;
        initStyleOption(&option);
        return style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                         QSize(width, std::max(textHeight, iconSize().height() + 2)), this);
    }

    bool policyPending_ = false;
};

// The margins the style gives the layout of a window.
QMargins windowLayoutMargins(const QWidget& widget)
{
    QStyleOption window;
    window.initFrom(&widget);
    window.state |= QStyle::State_Window;
    const QStyle* style = widget.style();
    const auto margin = [&](QStyle::PixelMetric side) { return style->pixelMetric(side, &window, &widget); };
    return {margin(QStyle::PM_LayoutLeftMargin), margin(QStyle::PM_LayoutTopMargin),
            margin(QStyle::PM_LayoutRightMargin), margin(QStyle::PM_LayoutBottomMargin)};
}

// Makes a widget of class W.
template <typename W>
std::unique_ptr<QWidget> make()
{
    return std::make_unique<W>();
}

// The designer's separator line.
std::unique_ptr<QWidget> makeLine()
{
    auto line = std::make_unique<QFrame>();
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The widget of a class the layouts use; nullptr for any other class.
std::unique_ptr<QWidget> makeWidget(const QString& className)
{
    using Maker = std::unique_ptr<QWidget> (*)();
    static const std::pair<const char16_t*, Maker> makers[] = {
        {u"QWidget", make<QWidget>},           {u"QTabWidget", make<QTabWidget>},
        {u"QGroupBox", make<QGroupBox>},       {u"QLabel", make<QLabel>},
        {u"QLineEdit", make<QLineEdit>},       {u"QCheckBox", make<QCheckBox>},
        {u"QRadioButton", make<QRadioButton>}, {u"QPushButton", make<QPushButton>},
        {u"QToolButton", make<QToolButton>},   {u"QComboBox", make<PopUpSizedByContentsLength>},
        {u"QProgressBar", make<QProgressBar>}, {u"Line", makeLine},
    };
    for (const auto& [name, maker] : makers)
        if (className == QStringView(name))
            return maker();
    return nullptr;
}

// The value of enumeration or set keys for an enumerator; -1 when a key is unknown.
int valueOfKeys(const QMetaEnum& enumerator, const QString& keys)
{
    QByteArray plain;
    for (const QString& key : keys.split(u'|')) {
        if (!plain.isEmpty())
            plain += '|';
        plain += key.mid(key.lastIndexOf(u':') + 1).trimmed().toLatin1();
    }
    bool ok = false;
    const int value = enumerator.isFlag() ? enumerator.keysToValue(plain.constData(), &ok)
                                          : enumerator.keyToValue(plain.constData(), &ok);
    return ok ? value : -1;
}

// Sets one property on an object: a class property through its meta-property, a dynamic one
// as it stands. False when the class has no such property or the value does not fit it.
bool applyProperty(QObject& object, const FormProperty& property)
{
    const QByteArray name = property.name.toLatin1();
    if (!property.standard) {
        object.setProperty(name.constData(), property.value);
        return true;
    }
    const int index = object.metaObject()->indexOfProperty(name.constData());
    if (index < 0)
        return false;
    const QMetaProperty meta = object.metaObject()->property(index);
    if (!property.isKeys)
        return meta.write(&object, property.value);
    if (!meta.isEnumType())
        return false;
    int value = valueOfKeys(meta.enumerator(), property.value.toString());
    if (value < 0 || meta.metaType().sizeOf() != sizeof(int))
        return false;
    return meta.write(&object, QVariant(meta.metaType(), &value));
}

// Where an item of a layout sits: its cell in a grid; a box layout takes its items in order.
struct LayoutCell {
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
};

// The cell an item element names in its attributes; a span not given is one.
LayoutCell layoutCellOf(const QXmlStreamAttributes& attributes)
{
    const auto number = [&](QLatin1String name, int absent) {
        return attributes.hasAttribute(name) ? attributes.value(name).toInt() : absent;
    };
    return {number(QLatin1String("row"), 0), number(QLatin1String("column"), 0), number(QLatin1String("rowspan"), 1),
            number(QLatin1String("colspan"), 1)};
}

// Adds one kind of item (a widget, a child layout, a spacer) to a grid at its cell.
void addToGrid(QGridLayout& grid, QWidget* item, const LayoutCell& at)
{
    grid.addWidget(item, at.row, at.column, at.rowSpan, at.columnSpan);
}
void addToGrid(QGridLayout& grid, QLayout* item, const LayoutCell& at)
{
    grid.addLayout(item, at.row, at.column, at.rowSpan, at.columnSpan);
}
void addToGrid(QGridLayout& grid, QLayoutItem* item, const LayoutCell& at)
{
    grid.addItem(item, at.row, at.column, at.rowSpan, at.columnSpan);
}

// Adds one kind of item to the end of a box.
void addToBox(QBoxLayout& box, QWidget* item)
{
    box.addWidget(item);
}
void addToBox(QBoxLayout& box, QLayout* item)
{
    box.addLayout(item);
}
void addToBox(QBoxLayout& box, QLayoutItem* item)
{
    box.addItem(item);
}

// Places item in layout: at its cell of a grid, at the end of a box. False when the layout is
// of neither kind; the item is then not taken.
template <typename Item>
bool placeInLayout(QLayout& layout, Item* item, const LayoutCell& cell)
{
    if (auto* grid = qobject_cast<QGridLayout*>(&layout)) {
        addToGrid(*grid, item, cell);
        return true;
    }
    if (auto* box = qobject_cast<QBoxLayout*>(&layout)) {
        addToBox(*box, item);
        return true;
    }
    return false;
}

}  // namespace

FormReader::FormReader(QIODevice& device) : xml_(std::make_unique<FormCursor>(recordTape(device.readAll()))) {}

FormReader::FormReader(std::shared_ptr<const FormTape> tape) : xml_(std::make_unique<FormCursor>(std::move(tape))) {}

std::unique_ptr<FormReader> FormReader::forFile(const QString& path)
{
    auto tape = tapeOfFile(path);
    if (!tape)
        return nullptr;
    return std::unique_ptr<FormReader>(new FormReader(std::move(tape)));
}

FormReader::~FormReader() = default;

std::unique_ptr<QWidget> FormReader::read(std::string* error)
{
    std::unique_ptr<QWidget> root = readForm();
    if (!root && error)
        *error = error_.toStdString();
    return root;
}

// Reads the top widget, the buddies and the tab stops; nullptr at the first fault.
std::unique_ptr<QWidget> FormReader::readForm()
{
    std::unique_ptr<QWidget> root;
    if (!xml_->readNextStartElement() || xml_->name() != u"ui")
        return fail("not a form file");
    while (xml_->readNextStartElement()) {
        if (xml_->name() == u"widget" && !root)
            root = readWidget(nullptr);
        else if (xml_->name() == u"tabstops")
            readTabStops();
        else
            xml_->skipCurrentElement();
        if (!error_.isEmpty())
            return nullptr;
    }
    if (xml_->hasError())
        return fail(xml_->errorString());
    if (!root)
        return fail("no widget");
    for (const auto& [label, buddy] : buddies_)
        if (auto* target = widgetsBelowTop_.value(buddy))
            label->setBuddy(target);
    for (qsizetype i = 1; i < tabStops_.size(); ++i) {
        auto* first = widgetsBelowTop_.value(tabStops_[i - 1]);
        auto* second = widgetsBelowTop_.value(tabStops_[i]);
        if (first && second)
            QWidget::setTabOrder(first, second);
    }
    return root;
}

std::nullptr_t FormReader::fail(const QString& why)
{
    if (error_.isEmpty())
        error_ = why.isEmpty() ? QStringLiteral("unreadable form") : why;
    return nullptr;
}

std::unique_ptr<QWidget> FormReader::readWidget(QWidget* parent, QTabWidget* pageOf)
{
    const QString className = xml_->attributes().value(QLatin1String("class")).toString();
    std::unique_ptr<QWidget> widget = makeWidget(className);
    if (!widget)
        return fail("a widget of class " + className + " is not one of the layouts' classes");
    widget->setObjectName(xml_->attributes().value(QLatin1String("name")).toString());
    if (pageOf) {
        pageOf->addTab(widget.get(), xml_->attributeText(u"title"));
        pageBeingRead_ = widget.get();
    } else if (parent) {
        widget->setParent(parent);
    }
    // Buddies and tab stops name widgets below the top one; the first of a name wins.
    if ((pageOf || parent) && !widgetsBelowTop_.contains(widget->objectName()))
        widgetsBelowTop_.insert(widget->objectName(), widget.get());
    std::vector<FormProperty> afterChildren;
    while (xml_->readNextStartElement()) {
        const QStringView element = xml_->name();
        if (element == u"property") {
            FormProperty property = readProperty();
            // A tab widget's current page exists only once its pages are read.
            if (property.name == u"currentIndex" && qobject_cast<QTabWidget*>(widget.get()))
                afterChildren.push_back(std::move(property));
            else
                applyWidgetProperty(*widget, property);
        } else if (element == u"attribute") {
            // The one attribute of the layouts, a tab page's title, went in with the page.
            xml_->skipCurrentElement();
        } else if (element == u"layout") {
            readLayout(*widget, nullptr);
        } else if (element == u"widget") {
            readChildWidget(*widget);
        } else if (element == u"item") {
            readComboItem(*widget);
        } else {
            xml_->skipCurrentElement();
        }
        if (!error_.isEmpty())
            return nullptr;
    }
    for (const FormProperty& property : afterChildren)
        applyWidgetProperty(*widget, property);
    return widget;
}

void FormReader::readChildWidget(QWidget& parent)
{
    auto* tabs = qobject_cast<QTabWidget*>(&parent);
    if (!tabs) {
        if (auto child = readWidget(&parent))
            child.release();  // owned by its parent widget
        return;
    }
    // A page, with its title.
    if (auto page = readWidget(nullptr, tabs))
        page.release();  // owned by the tab widget
}

void FormReader::readComboItem(QWidget& widget)
{
    QString text;
    while (xml_->readNextStartElement()) {
        if (xml_->name() == u"property") {
            const FormProperty property = readProperty();
            if (property.name == u"text")
                text = property.value.toString();
        } else {
            xml_->skipCurrentElement();
        }
    }
    if (auto* popUp = qobject_cast<QComboBox*>(&widget))
        popUp->addItem(text);
}

void FormReader::applyWidgetProperty(QWidget& widget, const FormProperty& property)
{
    if (property.name == u"sizeAdjustPolicy" &&
        property.value.toString().endsWith(u"AdjustToMinimumContentsLengthWithIcon")) {
        if (auto* popUp = dynamic_cast<PopUpSizedByContentsLength*>(&widget)) {
            popUp->sizeByMinimumContentsLength();
            return;
        }
    }
    if (property.name == u"buddy") {
        if (auto* label = qobject_cast<QLabel*>(&widget))
            buddies_.emplace_back(label, property.value.toString());
        return;
    }
    if (property.name == u"orientation") {
        if (auto* line = qobject_cast<QFrame*>(&widget); line && line->frameShape() == QFrame::HLine) {
            line->setFrameShape(property.value.toString().endsWith(u"Vertical") ? QFrame::VLine : QFrame::HLine);
            return;
        }
    }
    if (!applyProperty(widget, property))
        fail("the property " + property.name + " does not fit a " + widget.metaObject()->className());
}

FormProperty FormReader::readProperty()
{
    FormProperty property;
    property.name = xml_->attributes().value(QLatin1String("name")).toString();
    property.standard = xml_->attributes().value(QLatin1String("stdset")) != u"0";
    while (xml_->readNextStartElement()) {
        const QString type = xml_->name().toString();
        if (type == u"string" || type == u"cstring") {
            property.value = xml_->readElementText();
        } else if (type == u"number") {
            property.value = xml_->readElementText().toInt();
        } else if (type == u"bool") {
            property.value = xml_->readElementText() == u"true";
        } else if (type == u"enum" || type == u"set") {
            property.value = xml_->readElementText();
            property.isKeys = true;
        } else if (type == u"size") {
            const auto parts = readParts();
            property.value = QSize(parts.width, parts.height);
        } else if (type == u"rect") {
            const auto parts = readParts();
            property.value = QRect(parts.x, parts.y, parts.width, parts.height);
        } else if (type == u"sizepolicy") {
            const QMetaEnum policies = QMetaEnum::fromType<QSizePolicy::Policy>();
            const int horizontal =
                valueOfKeys(policies, xml_->attributes().value(QLatin1String("hsizetype")).toString());
            const int vertical = valueOfKeys(policies, xml_->attributes().value(QLatin1String("vsizetype")).toString());
            const auto parts = readParts();
            QSizePolicy policy(static_cast<QSizePolicy::Policy>(horizontal),
                               static_cast<QSizePolicy::Policy>(vertical));
            policy.setHorizontalStretch(parts.horizontalStretch);
            policy.setVerticalStretch(parts.verticalStretch);
            if (horizontal < 0 || vertical < 0)
                fail("a size policy of unknown kind");
            property.value = QVariant::fromValue(policy);
        } else {
            fail("a property of type " + type);
            xml_->skipCurrentElement();
        }
    }
    return property;
}

FormParts FormReader::readParts()
{
    FormParts parts;
    std::pair<QLatin1String, int*> named[] = {{QLatin1String("x"), &parts.x},
                                              {QLatin1String("y"), &parts.y},
                                              {QLatin1String("width"), &parts.width},
                                              {QLatin1String("height"), &parts.height},
                                              {QLatin1String("horstretch"), &parts.horizontalStretch},
                                              {QLatin1String("verstretch"), &parts.verticalStretch}};
    while (xml_->readNextStartElement()) {
        const auto found = std::find_if(std::begin(named), std::end(named),
                                        [&](const auto& part) { return xml_->name() == part.first; });
        if (found == std::end(named))
            xml_->skipCurrentElement();
        else
            *found->second = xml_->readElementText().toInt();
    }
    return parts;
}

void FormReader::readLayout(QWidget& owner, QLayout* parentLayout)
{
    const QString className = xml_->attributes().value(QLatin1String("class")).toString();
    std::unique_ptr<QLayout> layout;
    if (className == u"QVBoxLayout")
        layout = std::make_unique<QVBoxLayout>();
    else if (className == u"QHBoxLayout")
        layout = std::make_unique<QHBoxLayout>();
    else if (className == u"QGridLayout")
        layout = std::make_unique<QGridLayout>();
    if (!layout) {
        fail("a layout of class " + className);
        return;
    }
    layout->setObjectName(xml_->attributes().value(QLatin1String("name")).toString());
    QLayout* kept = layout.get();
    if (parentLayout) {
        pendingLayout_ = layout.release();  // the caller adds it to the parent layout
    } else {
        owner.setLayout(layout.release());  // owned by the widget
        // The margins the style gives the widget now, kept as the designer's loader keeps
        // them. The loader makes a page before it adds it to its tab widget, so a page has a
        // window's margins; this reader adds the page first (moving a page full of widgets
        // into the tab widget costs more than reading it), and gives it a window's margins.
        kept->setContentsMargins(&owner == pageBeingRead_ ? windowLayoutMargins(owner) : kept->contentsMargins());
    }
    while (xml_->readNextStartElement()) {
        if (xml_->name() == u"property")
            applyLayoutProperty(*kept, readProperty());
        else if (xml_->name() == u"item")
            readLayoutItem(owner, *kept);
        else
            xml_->skipCurrentElement();
        if (!error_.isEmpty())
            return;
    }
}

void FormReader::applyLayoutProperty(QLayout& layout, const FormProperty& property)
{
    QMargins margins = layout.contentsMargins();
    const int value = property.value.toInt();
    if (property.name == u"leftMargin")
        margins.setLeft(value);
    else if (property.name == u"topMargin")
        margins.setTop(value);
    else if (property.name == u"rightMargin")
        margins.setRight(value);
    else if (property.name == u"bottomMargin")
        margins.setBottom(value);
    else if (auto* grid = qobject_cast<QGridLayout*>(&layout); grid && property.name == u"horizontalSpacing")
        grid->setHorizontalSpacing(value);
    else if (grid && property.name == u"verticalSpacing")
        grid->setVerticalSpacing(value);
    else if (!applyProperty(layout, property))
        fail("the layout property " + property.name);
    layout.setContentsMargins(margins);
}

void FormReader::readLayoutItem(QWidget& owner, QLayout& layout)
{
    const LayoutCell cell = layoutCellOf(xml_->attributes());
    while (xml_->readNextStartElement()) {
        const QStringView element = xml_->name();
        if (element == u"widget") {
            std::unique_ptr<QWidget> widget = readWidget(&owner);
            if (!widget)
                return;
            placeInLayout(layout, widget.get(), cell);
            widget.release();  // owned by the layout's widget
        } else if (element == u"layout") {
            readLayout(owner, &layout);
            std::unique_ptr<QLayout> child(std::exchange(pendingLayout_, nullptr));
            if (!child)
                return;
            if (placeInLayout(layout, child.get(), cell))
                child.release();  // owned by the layout from here
        } else if (element == u"spacer") {
            std::unique_ptr<QSpacerItem> spacer = readSpacer();
            if (placeInLayout(layout, spacer.get(), cell))
                spacer.release();  // owned by the layout from here
        } else {
            xml_->skipCurrentElement();
        }
        if (!error_.isEmpty())
            return;
    }
}

std::unique_ptr<QSpacerItem> FormReader::readSpacer()
{
    QSize size(0, 0);
    bool vertical = false;
    QSizePolicy::Policy policy = QSizePolicy::Expanding;
    while (xml_->readNextStartElement()) {
        if (xml_->name() != u"property") {
            xml_->skipCurrentElement();
            continue;
        }
        const FormProperty property = readProperty();
        if (property.name == u"orientation") {
            vertical = property.value.toString().endsWith(u"Vertical");
        } else if (property.name == u"sizeType") {
            const int value = valueOfKeys(QMetaEnum::fromType<QSizePolicy::Policy>(), property.value.toString());
            if (value >= 0)
                policy = static_cast<QSizePolicy::Policy>(value);
        } else if (property.name == u"sizeHint") {
            size = property.value.toSize();
        }
    }
    if (vertical)
        return std::make_unique<QSpacerItem>(size.width(), size.height(), QSizePolicy::Minimum, policy);
    return std::make_unique<QSpacerItem>(size.width(), size.height(), policy, QSizePolicy::Minimum);
}

void FormReader::readTabStops()
{
    while (xml_->readNextStartElement()) {
        if (xml_->name() == u"tabstop")
            tabStops_.append(xml_->readElementText());
        else
            xml_->skipCurrentElement();
    }
}

}  // namespace platform
