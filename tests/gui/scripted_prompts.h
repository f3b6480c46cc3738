#pragma once
// Prompts that answer from a script and record what the windows showed, so GUI tests
// never block on a modal box.
#include <QFileDialog>

#include <deque>
#include <optional>

#include "app/prompts.h"

namespace brisvel::testing_support {

class ScriptedPrompts : public Prompts {
 public:
  ScriptedPrompts() { setPrompts(this); }
  ~ScriptedPrompts() override { setPrompts(nullptr); }

  void showError(const QString& message) override { errors.push_back(message); }
  void showDefaultError(const QString& message) override { default_errors.push_back(message); }
  std::optional<QString> askText(QWidget*, const QString& caption, const QString& prompt, const QString&,
                                 int max_bytes) override {
    asked.push_back({caption, prompt, max_bytes});
    return Next(text_answers);
  }
  std::optional<QString> chooseFile(QFileDialog& dialog) override {
    dialog_directories.push_back(dialog.directory().absolutePath());
    return Next(file_answers);
  }

  int askChoice(QWidget*, const QString& caption, const QString& question, const QStringList& buttons, int,
                int escape_button) override {
    choices.push_back({caption, question, buttons});
    if (choice_answers.empty()) return escape_button;
    int answer = choice_answers.front();
    choice_answers.pop_front();
    return answer;
  }

  struct Choice {
    QString caption;
    QString question;
    QStringList buttons;
  };
  std::deque<int> choice_answers;
  std::vector<Choice> choices;

  struct Question {
    QString caption;
    QString prompt;
    int max_bytes;
  };
  std::deque<std::optional<QString>> text_answers;
  std::deque<std::optional<QString>> file_answers;
  QStringList errors;
  QStringList default_errors;
  std::vector<Question> asked;
  QStringList dialog_directories;

 private:
  static std::optional<QString> Next(std::deque<std::optional<QString>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<QString> answer;
    answer.swap(answers.front());
    answers.pop_front();
    return answer;
  }
};

}  // namespace brisvel::testing_support
