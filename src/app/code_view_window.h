#pragma once
// The code view: a row's name, its pulse picture, the decoded line and the run list, beside
// the registration window. It draws what CodeView holds and makes no text of its own.
#include <QWidget>

#include "commands/code_view.h"

class QLabel;
class QPlainTextEdit;

namespace brisvel {

// The pulse picture: marks high, spaces low, the millisecond scale underneath, the whole
// capture scaled to the width.
class PulsePicture : public QWidget {
 public:
  explicit PulsePicture(QWidget* parent = nullptr);
  void setPicture(signal::Picture picture);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  signal::Picture m_picture;
};

class CodeViewWindow : public QWidget {
 public:
  explicit CodeViewWindow(QWidget* parent = nullptr);
  void showView(const CodeView& view);

  QLabel* NameLabel;
  PulsePicture* Picture;
  QLabel* SummaryLabel;
  QPlainTextEdit* DetailsText;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace brisvel
