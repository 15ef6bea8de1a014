// A real message box, read while it is open: its text is laid out as its
// label lays it out, and no line may start or end inside a word.
#include "ui/Dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The lines the label shows: its text in a document of its font, width and
// wrapping, as a label lays out its text.
QStringList shownLines(const QLabel& label) {
    QTextDocument document;
    document.setDocumentMargin(0);
    document.setDefaultFont(label.font());
    if (label.textFormat() == Qt::RichText ||
        (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text())))
        document.setHtml(label.text());
    else
        document.setPlainText(label.text());
    QTextOption option = document.defaultTextOption();
    option.setWrapMode(label.wordWrap() ? QTextOption::WordWrap : QTextOption::ManualWrap);
    document.setDefaultTextOption(option);
    document.setTextWidth(label.contentsRect().width());
    document.size(); // lays the document out
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            QTextLine line = layout->lineAt(i);
            QString text = block.text().mid(line.textStart(), line.textLength());
            // A line break inside a block ends its line as a character of its own.
            if (text.endsWith(QChar::LineSeparator))
                text.chop(1);
            lines << text;
        }
    }
    return lines;
}

struct ShownText {
    QStringList lines;
    int width = 0; // of the label's text
    QFont font;
};

// Shows `text` in a real box and reads its lines while it is open.
ShownText shownText(const QString& text) {
    ShownText shown;
    std::function<void()> read = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            QTimer::singleShot(10, read);
            return;
        }
        QTest::qWait(20); // the box sizes itself once it is shown
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (label)
            shown = {shownLines(*label), label->contentsRect().width(), label->font()};
        box->done(QMessageBox::Ok);
    };
    QTimer::singleShot(0, read);
    ui::MessageBoxDialogs boxes;
    boxes.message(text);
    return shown;
}

QStringList words(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

} // namespace

TEST(MessageBoxTest, LinesBreakBetweenWordsNeverInsideAPathOrAName) {
    QApplication::setApplicationName(QStringLiteral("Schedax"));
    const QString table =
        QStringLiteral("/srv/schedax/installations/accounting-department/tables/CLIENTI.DBF");
    const QString text =
        QStringLiteral("Table %1 and the saved table $$CLIENTI.DBF hold an interrupted update: the "
                       "old rows are still in $$CLIENTI.DBF. Move them into CLIENTI.DBF or remove "
                       "one of the two tables, then build CLIENTI again")
            .arg(table);
    ShownText box = shownText(text);
    const QStringList& lines = box.lines;
    ASSERT_GT(lines.size(), 2) << "the text should need several lines";

    // Every line is made of whole words of the message, and together they are all of it.
    const QStringList expected = words(text);
    QStringList shown;
    for (const QString& line : lines) {
        for (const QString& word : words(line)) {
            EXPECT_TRUE(expected.contains(word))
                << "a line starts or ends inside \"" << word.toStdString() << "\"";
            shown << word;
        }
    }
    EXPECT_EQ(shown.join(QChar(' ')).toStdString(), expected.join(QChar(' ')).toStdString());

    // Nothing runs past the label: each line is shown whole.
    QFontMetrics metrics(box.font);
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), box.width) << line.toStdString();
}

TEST(MessageBoxTest, TheTextsOwnLineBreaksStay) {
    QStringList lines = shownText(QStringLiteral("First line.\nSecond line.")).lines;
    EXPECT_EQ(lines.join(QChar('|')).toStdString(), "First line.|Second line.");
}
