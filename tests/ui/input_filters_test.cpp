// The three input filters: their partial-edit checks, and the same checks made by real key
// presses, pastes, undo and drops on a shown line edit, where a refusal must leave text and
// selection as they were and a replacement must show the replaced text selected.
#include "ui/input_filters.h"
#include "platform/controls.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::TextRange;

struct EditResult {
    bool accepted;
    std::u16string text;
    TextRange selection;
};

// Asks a filter about an edit from `original` with the caret at `originalCaret` to
// `proposed` with the caret at `proposedCaret`.
EditResult check(platform::Formatter& filter, std::u16string original, std::size_t originalCaret,
                 std::u16string proposed, std::size_t proposedCaret, std::size_t originalLength = 0)
{
    TextRange selection{proposedCaret, 0};
    const bool accepted = filter.isPartialStringValid(proposed, selection, original, {originalCaret, originalLength});
    return {accepted, proposed, selection};
}

template <typename Filter>
Filter limited(std::int64_t max)
{
    Filter filter;
    filter.setFormat("##0");
    filter.SetmaxCharactersCount(max);
    return filter;
}

TEST(IntegerNumberFilter, TakesDigitsWhileTheTextBeforeTheEditIsShort)
{
    auto filter = limited<MyIntegerNumberFilter>(5);
    EXPECT_EQ(filter.maxValue, 5);
    EXPECT_TRUE(check(filter, u"", 0, u"7", 1).accepted);
    EXPECT_FALSE(check(filter, u"", 0, u"x", 1).accepted);
    EXPECT_TRUE(check(filter, u"1234", 4, u"12345", 5).accepted);
    EXPECT_FALSE(check(filter, u"12345", 5, u"123456", 6).accepted);
    // A full field refuses even an insertion that replaces a selection.
    EXPECT_FALSE(check(filter, u"12345", 0, u"9", 1, 5).accepted);
    // Only the first inserted character is tested.
    EXPECT_TRUE(check(filter, u"", 0, u"1ab", 3).accepted);
    EXPECT_FALSE(check(filter, u"", 0, u"a12", 3).accepted);
    // Four digits with the caret at the start take a pasted pair: six characters.
    EXPECT_TRUE(check(filter, u"1234", 0, u"561234", 2).accepted);
    // Deletions always pass.
    EXPECT_TRUE(check(filter, u"12345", 5, u"1234", 4).accepted);
    EXPECT_TRUE(check(filter, u"12345", 0, u"", 0, 5).accepted);
}

TEST(IntegerNumberFilter, ACaretBeyondTheLimitShortensTheTextAndSelectsIt)
{
    auto filter = limited<MyIntegerNumberFilter>(5);
    EditResult digits = check(filter, u"", 0, u"12345678", 8);
    EXPECT_FALSE(digits.accepted);
    EXPECT_EQ(digits.text, u"12345");
    EXPECT_EQ(digits.selection.location, 0u);
    EXPECT_EQ(digits.selection.length, 5u);
    // The shortening makes no character check.
    EXPECT_EQ(check(filter, u"", 0, u"abcdefgh", 8).text, u"abcde");
}

TEST(RomanFilter, TakesAnyCharacterUpToTheLimitCountedInUtf16Units)
{
    auto filter = limited<MyRomanFilter>(31);
    const std::u16string thirty(30, u'x');
    EXPECT_TRUE(check(filter, thirty, 30, thirty + u"é", 31).accepted);
    EXPECT_FALSE(check(filter, thirty + u"y", 31, thirty + u"yz", 32).accepted);

    auto five = limited<MyRomanFilter>(5);
    // "ab" and a character outside the basic plane make four units: one more fits.
    EXPECT_TRUE(check(five, u"ab\U0001F600", 4, u"ab\U0001F600c", 5).accepted);
    EXPECT_FALSE(check(five, u"ab\U0001F600c", 5, u"ab\U0001F600cd", 6).accepted);
}

TEST(RomanFilter, ShorteningNeverCutsACharacterInTwo)
{
    auto filter = limited<MyRomanFilter>(5);
    EditResult result = check(filter, u"", 0, u"abcd\U0001F600x", 7);
    EXPECT_FALSE(result.accepted);
    EXPECT_EQ(result.text, u"abcd");
    EXPECT_EQ(result.selection.length, 4u);
}

TEST(LoginnameInputFilter, TakesEverythingAndKeepsItsCallback)
{
    LoginnameInputFilter filter;
    EXPECT_EQ(filter.m_context, nullptr);
    const std::u16string longText(600, u'\u00e9');
    EXPECT_TRUE(check(filter, u"", 0, longText, 600).accepted);
    EXPECT_EQ(check(filter, u"", 0, longText, 600).text, longText);
    std::string value;
    EXPECT_TRUE(filter.getObjectValue(value, "Jörg"));
    EXPECT_EQ(value, "Jörg");
    EXPECT_EQ(filter.stringForObjectValue("Jörg"), "Jörg");
}

// A shown window with one line edit that carries a filter through the platform's adapter.
class FilteredField : public ::testing::Test {
protected:
    void install(std::shared_ptr<platform::Formatter> formatter)
    {
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        edit = new QLineEdit(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(edit);
        layout->addWidget(other);
        field = platform::TextField(edit);
        field.setFormatter(std::move(formatter));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        edit->setFocus();
    }

    void setText(const QString& text) { field.setStringValue(text.toStdString()); }

    void paste(const QString& text)
    {
        QApplication::clipboard()->setText(text);
        QTest::keySequence(edit, QKeySequence::Paste);
    }

    QPoint caretPoint() const { return edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center(); }

    // Drags text over the field and drops it at the given character position.
    void drop(const QString& text, int position, Qt::DropAction action = Qt::CopyAction)
    {
        QMimeData mime;
        mime.setText(text);
        const QPoint at = caretPoint();
        QDragEnterEvent enter(at, action, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        const int savedCursor = edit->cursorPosition();
        edit->setCursorPosition(position);
        const QPoint target = caretPoint();
        edit->setCursorPosition(savedCursor);
        QDropEvent dropEvent(target, action, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &dropEvent);
        dropAccepted = dropEvent.isAccepted();
    }

    void expectState(const QString& text, int selectionStart, int selectionLength)
    {
        SCOPED_TRACE("expecting \"" + text.toStdString() + "\"");
        EXPECT_EQ(edit->text(), text);
        if (selectionLength == 0) {
            EXPECT_FALSE(edit->hasSelectedText()) << edit->selectedText().toStdString();
            EXPECT_EQ(edit->cursorPosition(), selectionStart);
        } else {
            EXPECT_EQ(edit->selectionStart(), selectionStart);
            EXPECT_EQ(edit->selectedText().size(), selectionLength);
        }
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* edit = nullptr;
    QLineEdit* other = nullptr;
    platform::TextField field;
    bool dropAccepted = false;
};

TEST_F(FilteredField, TypingTakesDigitsUpToTheLimitAndRefusalsKeepTheSelection)
{
    install(std::make_shared<MyIntegerNumberFilter>(limited<MyIntegerNumberFilter>(5)));
    QTest::keyClicks(edit, "1a2b34");
    expectState("1234", 4, 0);
    QTest::keyClick(edit, Qt::Key_5);
    expectState("12345", 5, 0);
    // A sixth digit would put the caret beyond the limit: the five stay, all selected.
    QTest::keyClick(edit, Qt::Key_6);
    expectState("12345", 0, 5);

    // A full field wholly selected refuses a digit and keeps its selection.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_9);
    expectState("12345", 0, 5);
    // A selection made leftwards keeps its caret at the start.
    edit->setSelection(4, -3);
    QTest::keyClick(edit, Qt::Key_9);
    expectState("12345", 1, 3);
    EXPECT_EQ(edit->cursorPosition(), 1);

    // Deleting the selection first makes room.
    QTest::keyClick(edit, Qt::Key_Backspace);
    expectState("15", 1, 0);
    QTest::keyClick(edit, Qt::Key_Delete);
    expectState("1", 1, 0);
    QTest::keyClicks(edit, "0x");
    expectState("10", 2, 0);

    // What an input method commits is checked like typing.
    QInputMethodEvent compose;
    compose.setCommitString(QString::fromUtf16(u"\u3042"));
    QApplication::sendEvent(edit, &compose);
    expectState("10", 2, 0);
    QInputMethodEvent digit;
    digit.setCommitString("7");
    QApplication::sendEvent(edit, &digit);
    expectState("107", 3, 0);
}

TEST_F(FilteredField, PastingBeyondTheLimitShowsTheShortenedTextSelected)
{
    install(std::make_shared<MyIntegerNumberFilter>(limited<MyIntegerNumberFilter>(5)));
    paste("12345678");
    expectState("12345", 0, 5);

    setText("");
    paste("abcdefgh");
    expectState("abcde", 0, 5);

    setText("");
    paste("1ab");
    expectState("1ab", 3, 0);

    // Four digits, caret at the start: a pasted pair makes six characters; the next
    // insertion at the end puts the caret beyond the limit and shortens the text.
    setText("1234");
    edit->setCursorPosition(0);
    paste("56");
    expectState("561234", 2, 0);
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_7);
    expectState("56123", 0, 5);

    // A refused paste leaves text and selection alone.
    setText("12");
    edit->setSelection(0, 1);
    paste("x9");
    expectState("12", 0, 1);
}

TEST_F(FilteredField, ARefusedUndoLeavesTheTextAsItWas)
{
    install(std::make_shared<MyIntegerNumberFilter>(limited<MyIntegerNumberFilter>(5)));
    paste("1234");
    edit->setCursorPosition(0);
    paste("56");
    expectState("561234", 2, 0);
    // Delete the last digit: five remain, the field is full.
    edit->setCursorPosition(5);
    QTest::keyClick(edit, Qt::Key_Delete);
    expectState("56123", 5, 0);
    edit->setCursorPosition(0);
    // Undoing would insert "56123" before the caret of a full field: refused.
    QTest::keySequence(edit, QKeySequence::Undo);
    expectState("56123", 0, 0);

    // An undo the filter takes goes through as usual.
    setText("");
    QTest::keyClicks(edit, "12");
    QTest::keySequence(edit, QKeySequence::Undo);
    EXPECT_EQ(edit->text(), "");
    QTest::keySequence(edit, QKeySequence::Redo);
    EXPECT_EQ(edit->text(), "12");
}

TEST_F(FilteredField, DropsAreCheckedLikeTypingAndARefusalGivesBackTheSelection)
{
    install(std::make_shared<MyIntegerNumberFilter>(limited<MyIntegerNumberFilter>(5)));
    setText("12");
    drop("34", 1);
    EXPECT_TRUE(dropAccepted);
    EXPECT_EQ(edit->text(), "1342");

    setText("12");
    edit->setSelection(0, 2);
    drop("ab", 1);
    EXPECT_FALSE(dropAccepted);
    expectState("12", 0, 2);

    setText("");
    drop("987654", 0);
    expectState("98765", 0, 5);

    // A drag that passes over the field and leaves gives back the selection it moved.
    edit->setSelection(1, 3);
    QMimeData mime;
    mime.setText("1");
    QDragEnterEvent enter(caretPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    QDragLeaveEvent leave;
    QApplication::sendEvent(edit, &leave);
    expectState("98765", 1, 3);
}

TEST_F(FilteredField, RomanFieldCountsUtf16UnitsAndTheProgramSetsAnyText)
{
    install(std::make_shared<MyRomanFilter>(limited<MyRomanFilter>(5)));
    paste(QString::fromUtf16(u"ab\U0001F600"));
    QTest::keyClicks(edit, "cd");
    EXPECT_EQ(edit->text(), QString::fromUtf16(u"ab\U0001F600c"));

    // The program's own texts are not filtered, and such a field still finishes editing.
    setText("abcdefgh");
    EXPECT_EQ(edit->text(), "abcdefgh");
    bool finished = false;
    const QMetaObject::Connection watch =
        QObject::connect(edit, &QLineEdit::editingFinished, [&finished] { finished = true; });
    other->setFocus();
    QApplication::processEvents();
    QObject::disconnect(watch);
    EXPECT_TRUE(finished);
    // Asking whether the text is acceptable checked no edit: the next one is checked as usual.
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_X);
    expectState("abcde", 0, 5);
}

TEST_F(FilteredField, LoginNameFieldTakesAnyLength)
{
    install(std::make_shared<LoginnameInputFilter>());
    const QString longName(300, QChar(u'n'));
    paste(longName);
    QTest::keyClicks(edit, "xyz");
    EXPECT_EQ(edit->text(), longName + "xyz");
}

}  // namespace
