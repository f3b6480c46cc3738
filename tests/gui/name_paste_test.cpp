// Pasting into the name dialog's line, which holds at most a number of Shift-JIS bytes:
// what does not fit is cut at a character boundary, the rest of the paste is kept.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "app/prompts.h"

namespace brisvel {
namespace {

struct PasteCase {
  const char* label;
  QString held;  // the cursor sits at the first "|", or at the end
  QString pasted;
  QString value;
};

TEST(NameDialogPaste, KeepsTheWholeCharactersThatFit) {
  const QString ascii(300, u'a');   // 300 bytes
  const QString kanji(150, u'漢');  // 300 bytes, two per character
  const PasteCase cases[] = {
      {"ASCII into empty", "", ascii, QString(255, u'a')},
      {"kanji into empty", "", kanji, QString(127, u'漢')},
      {"kanji after 3 bytes", "abc", kanji, "abc" + QString(126, u'漢')},
      {"kanji after 2 bytes, half a character left", "ab", kanji, "ab" + QString(126, u'漢')},
      {"ASCII after kanji", "テレビ", ascii, "テレビ" + QString(249, u'a')},
      {"kanji between held text", "前|後", kanji, "前" + QString(125, u'漢') + "後"},
      {"fits whole", "テレビ", "電源", "テレビ電源"},
      {"not Shift-JIS, kept for OK to refuse", "TV", " 📺", "TV 📺"},
  };
  for (const PasteCase& c : cases) {
    SCOPED_TRACE(c.label);
    InputQueryDialog dialog("caption", "prompt", "", 255);
    auto* edit = dialog.findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    dialog.show();
    const qsizetype cursor = c.held.indexOf(u'|');
    edit->setText(QString(c.held).remove(u'|'));
    if (cursor >= 0) edit->setCursorPosition(static_cast<int>(cursor));
    QApplication::clipboard()->setText(c.pasted);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text().toStdString(), c.value.toStdString());
  }
}

}  // namespace
}  // namespace brisvel
