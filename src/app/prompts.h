#pragma once
// Everything modal the windows ask of the user goes through one Prompts object, so GUI
// tests can script the answers and never block on a box.
#include <QDialog>
#include <QString>
#include <QValidator>

#include <optional>

#include "commands/user_interface.h"

class QFileDialog;
class QLabel;
class QLineEdit;

namespace brisvel {

inline const QString kApplicationTitle = QString::fromUtf8(kApplicationName);

class Prompts {
 public:
  virtual ~Prompts() = default;
  // The tool's error dialog, captioned "エラー".
  virtual void showError(const QString& message) = 0;
  // The box for an error that escaped a command or a handler.
  virtual void showDefaultError(const QString& message) = 0;
  // A one-line text entry; nothing when cancelled.
  virtual std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& prompt,
                                         const QString& initial, int max_sjis_bytes) = 0;
  // Runs a configured file dialog; the chosen file, or nothing when cancelled.
  virtual std::optional<QString> chooseFile(QFileDialog& dialog) = 0;
  // A question box with the buttons in order; the index of the one pressed. Enter presses
  // `default_button`; Esc and the close box press `escape_button`.
  virtual int askChoice(QWidget* parent, const QString& caption, const QString& question, const QStringList& buttons,
                        int default_button, int escape_button) = 0;
};

Prompts& prompts();
// Installs a replacement (tests); nullptr restores the real dialogs.
void setPrompts(Prompts* replacement);

// The default box's closing-period rule, for messages that do not come through a command.
QString WithClosingPeriod(const QString& message);

// "&x" underlines x and "&&" is one "&", as in a Windows static text.
QString MnemonicTextToHtml(const QString& text);

class ErrorDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ErrorDialog(const QString& message, QWidget* parent = nullptr);
  QString shownText() const;

 private:
  QLabel* m_text;
};

// Keeps text within a number of Shift-JIS bytes. Typing or a paste that does not fit is
// cut after the last whole character that does, as a Windows edit control with a text
// limit cuts it; text Shift-JIS cannot hold stays typeable so that OK can say what is
// wrong with it.
class ShiftJisLengthValidator : public QValidator {
  Q_OBJECT
 public:
  ShiftJisLengthValidator(int max_bytes, QObject* parent);
  State validate(QString& input, int& pos) const override;

 private:
  int m_max_bytes;
};

class InputQueryDialog : public QDialog {
  Q_OBJECT
 public:
  InputQueryDialog(const QString& caption, const QString& prompt, const QString& initial, int max_sjis_bytes,
                   QWidget* parent = nullptr);
  QString value() const;
  void accept() override;

 private:
  QLineEdit* m_edit;
};

// The message shown when text has characters outside Shift-JIS.
QString NotShiftJisMessage(const QString& text);

}  // namespace brisvel
