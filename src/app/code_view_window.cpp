#include "app/code_view_window.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/form_style.h"

namespace brisvel {
namespace {

constexpr int kTraceMargin = 8;
constexpr int kScaleHeight = 18;

}  // namespace

PulsePicture::PulsePicture(QWidget* parent) : QWidget(parent) {
  setMinimumHeight(90);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PulsePicture::setPicture(signal::Picture picture) {
  m_picture = std::move(picture);
  update();
}

void PulsePicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  if (m_picture.length_us <= 0) return;
  const double left = kTraceMargin;
  const double scale = (width() - 2.0 * kTraceMargin) / m_picture.length_us;
  auto x = [&](int us) { return left + us * scale; };
  const double high = kTraceMargin;
  const double low = height() - kScaleHeight - kTraceMargin;

  QPainterPath trace;
  trace.moveTo(x(0), low);
  for (const signal::Level& level : m_picture.levels) {
    const double y = level.mark ? high : low;
    trace.lineTo(x(level.start_us), y);
    trace.lineTo(x(level.end_us), y);
  }
  trace.lineTo(x(m_picture.length_us), low);
  painter.setPen(QPen(palette().color(QPalette::Text), 1));
  painter.drawPath(trace);

  const double axis = height() - kScaleHeight;
  painter.setPen(palette().color(QPalette::PlaceholderText));
  painter.drawLine(QPointF(x(0), axis), QPointF(x(m_picture.length_us), axis));
  for (const signal::Tick& tick : m_picture.ticks) {
    const bool labelled = !tick.label.empty();
    painter.drawLine(QPointF(x(tick.at_us), axis), QPointF(x(tick.at_us), axis + (labelled ? 5 : 3)));
    if (labelled) {
      painter.drawText(QPointF(x(tick.at_us) + 2, height() - 2), QString::fromStdString(tick.label));
    }
  }
}

CodeViewWindow::CodeViewWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("CodeViewWindow"));
  setWindowTitle(QString::fromUtf8(kCodeViewCaption));
  setWindowIcon(FormIcon());
  setFont(FormFont());
  resize(560, 300);

  NameLabel = new QLabel(this);
  QFont bold = NameLabel->font();
  bold.setBold(true);
  NameLabel->setFont(bold);
  Picture = new PulsePicture(this);
  SummaryLabel = new QLabel(this);
  SummaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  DetailsText = new QPlainTextEdit(this);
  DetailsText->setReadOnly(true);
  DetailsText->setLineWrapMode(QPlainTextEdit::NoWrap);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NameLabel);
  layout->addWidget(Picture);
  layout->addWidget(SummaryLabel);
  layout->addWidget(DetailsText, 1);
}

void CodeViewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape)
    close();
  else
    QWidget::keyPressEvent(event);
}

void CodeViewWindow::showView(const CodeView& view) {
  NameLabel->setText(QString::fromStdString(view.name));
  Picture->setPicture(view.picture);
  SummaryLabel->setText(QString::fromStdString(view.summary));
  DetailsText->setPlainText(QString::fromStdString(view.details));
}

}  // namespace brisvel
