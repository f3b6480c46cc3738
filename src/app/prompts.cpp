#include "app/prompts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

#include "commands/registration.h"
#include "core/formats/sjis.h"

namespace brisvel {
namespace {

void CentreOnScreen(QWidget& widget) {
  widget.adjustSize();
  const QRect screen = widget.screen()->availableGeometry();
  widget.move(screen.center() - widget.rect().center());
}

// Enter on a typed path accepts the file dialog with its name completer's popup still up,
// and nothing closes that popup; left open, it takes the next click on the window only to
// close itself.
void CloseCompletionPopups(QWidget& dialog) {
  for (QCompleter* completer : dialog.findChildren<QCompleter*>()) completer->popup()->hide();
}

class DialogPrompts : public Prompts {
 public:
  void showError(const QString& message) override {
    ErrorDialog dialog(message, QApplication::activeWindow());
    dialog.exec();
  }

  void showDefaultError(const QString& message) override {
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, WithClosingPeriod(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }

  std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& initial, int max_sjis_bytes) override {
    InputQueryDialog dialog(caption, prompt, initial, max_sjis_bytes, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.value();
  }

  std::optional<QString> chooseFile(QFileDialog& dialog) override {
    const int result = dialog.exec();
    CloseCompletionPopups(dialog);
    if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
  }

  int askChoice(QWidget* parent, const QString& caption, const QString& question, const QStringList& buttons,
                int default_button, int escape_button) override {
    QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QList<QAbstractButton*> pushed;
    for (const QString& text : buttons) pushed.append(box.addButton(text, QMessageBox::ActionRole));
    box.setDefaultButton(qobject_cast<QPushButton*>(pushed[default_button]));
    box.setEscapeButton(pushed[escape_button]);
    box.exec();
    const auto index = pushed.indexOf(box.clickedButton());
    return index < 0 ? escape_button : static_cast<int>(index);
  }
};

DialogPrompts g_dialog_prompts;
Prompts* g_prompts = &g_dialog_prompts;

}  // namespace

Prompts& prompts() { return *g_prompts; }

void setPrompts(Prompts* replacement) { g_prompts = replacement ? replacement : &g_dialog_prompts; }

QString WithClosingPeriod(const QString& message) {
  return QString::fromStdString(brisvel::WithClosingPeriod(message.toStdString()));
}

QString MnemonicTextToHtml(const QString& text) {
  QString html;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      html += text[i] == u'&' ? QStringLiteral("&amp;") : "<u>" + QString(text[i]).toHtmlEscaped() + "</u>";
    } else if (text[i] != u'&') {
      html += text[i] == u'\n' ? QStringLiteral("<br>") : QString(text[i]).toHtmlEscaped();
    }
  }
  return html;
}

ErrorDialog::ErrorDialog(const QString& message, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_text(new QLabel(this)) {
  setWindowTitle(QStringLiteral("エラー"));
  setModal(true);
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);
  m_text->setTextFormat(Qt::RichText);
  m_text->setText(MnemonicTextToHtml(message));
  m_text->setWordWrap(true);
  m_text->setMaximumWidth(screen()->availableGeometry().width() / 2);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(m_text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  CentreOnScreen(*this);
}

QString ErrorDialog::shownText() const { return m_text->text(); }

ShiftJisLengthValidator::ShiftJisLengthValidator(int max_bytes, QObject* parent)
    : QValidator(parent), m_max_bytes(max_bytes) {}

QValidator::State ShiftJisLengthValidator::validate(QString& input, int& pos) const {
  // The line edit validates with the cursor just after what was typed or pasted, and the
  // text after the cursor is what it held before.
  const auto kept = sjis::FitToLimit(input.left(pos).toStdString(), input.mid(pos).toStdString(),
                                     static_cast<size_t>(m_max_bytes));
  if (!kept) return sjis::FromUtf8(input.toStdString()) ? Acceptable : Intermediate;
  const QString before = QString::fromStdString(kept->before);
  input = before + QString::fromStdString(kept->after);
  pos = static_cast<int>(before.size());
  return Acceptable;
}

InputQueryDialog::InputQueryDialog(const QString& caption, const QString& prompt, const QString& initial,
                                   int max_sjis_bytes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_edit(new QLineEdit(initial, this)) {
  setWindowTitle(caption);
  m_edit->setValidator(new ShiftJisLengthValidator(max_sjis_bytes, m_edit));
  m_edit->selectAll();
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(prompt, this));
  layout->addWidget(m_edit);
  layout->addWidget(buttons);
  setMinimumWidth(280);
}

QString InputQueryDialog::value() const { return m_edit->text(); }

void InputQueryDialog::accept() {
  if (!sjis::FromUtf8(value().toStdString())) {
    prompts().showError(NotShiftJisMessage(value()));
    return;
  }
  QDialog::accept();
}

QString NotShiftJisMessage(const QString& text) {
  return QString::fromStdString(brisvel::NotShiftJisMessage(text.toStdString()));
}

}  // namespace brisvel
