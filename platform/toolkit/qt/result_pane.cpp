#include "platform/toolkit/qt/result_pane.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace toolkit {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The mark and the word, so the table reads without colour too.
void ShowOutcome(QTableWidgetItem& item, TResults::Outcome outcome) {
  switch (outcome) {
    case TResults::Outcome::Pass:
      item.setText(QString::fromUtf8("\u2714 pass"));
      item.setForeground(QColor(0x1b, 0x7a, 0x2b));
      return;
    case TResults::Outcome::Fail:
      item.setText(QString::fromUtf8("\u2718 fail"));
      item.setForeground(QColor(0xb7, 0x1c, 0x1c));
      return;
    case TResults::Outcome::Expected:
      item.setText(QString::fromUtf8("\u2713 as expected"));
      item.setForeground(QColor(0x1f, 0x4e, 0x79));
      return;
    case TResults::Outcome::NotRun:
      break;
  }
  item.setText(QString::fromUtf8("\u2013 not run"));
  item.setForeground(QColor(0x80, 0x80, 0x80));
}

QTableWidget* BuildTable(const std::vector<TResults::Row>& rows, QWidget* parent) {
  auto* table = new QTableWidget(static_cast<int>(rows.size()), 2, parent);
  table->setObjectName("ResultTable");
  table->setHorizontalHeaderLabels({QObject::tr("Check"), QObject::tr("Result")});
  table->verticalHeader()->hide();
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionMode(QAbstractItemView::NoSelection);
  table->setFocusPolicy(Qt::NoFocus);
  for (int i = 0; i < table->rowCount(); ++i) {
    table->setItem(i, 0, new QTableWidgetItem(Text(rows[i].check)));
    auto* outcome = new QTableWidgetItem;
    ShowOutcome(*outcome, rows[i].outcome);
    table->setItem(i, 1, outcome);
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  // Compact rows, and room for all of them: the table is read at a glance.
  const int rowHeight = table->fontMetrics().height() + 6;
  table->verticalHeader()->setDefaultSectionSize(rowHeight);
  table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                          rowHeight * table->rowCount() + 2 * table->frameWidth());
  return table;
}

}  // namespace

ResultDock::ResultDock(TResultPane& pane, QWidget* parent)
    : QDockWidget(QObject::tr("Results"), parent), pane_(pane) {
  setObjectName("Results");
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
  Refresh();
}

void ResultDock::Refresh() {
  if (pane_.Visible()) {
    QWidget* old = widget();
    setWidget(BuildContent(pane_.Content()));
    delete old;
  }
  setVisible(pane_.Visible());
}

void ResultDock::closeEvent(QCloseEvent* event) {
  event->accept();
  pane_.Close();
}

QWidget* ResultDock::BuildContent(const TResults& results) {
  auto* content = new QWidget(this);
  auto* layout = new QVBoxLayout(content);
  auto* title = new QLabel(Text(results.title), content);
  title->setObjectName("ResultTitle");
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  title->setFont(bold);
  layout->addWidget(title);
  for (std::size_t i = 0; i < results.lines.size(); ++i) {
    auto* line = new QLabel(Text(results.lines[i]), content);
    line->setObjectName(QString("ResultLine%1").arg(i));
    line->setWordWrap(true);
    line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (i == 0) line->setFont(bold);  // the verdict
    layout->addWidget(line);
  }
  if (!results.fields.empty()) {
    auto* form = new QFormLayout;
    for (const TResults::Field& field : results.fields) {
      auto* row = new QHBoxLayout;
      auto* value = new QLineEdit(Text(field.value), content);
      value->setObjectName(Text("Field " + field.label));
      value->setReadOnly(true);
      value->setPlaceholderText(QObject::tr("(none needed)"));
      auto* copy = new QPushButton(QObject::tr("Copy"), content);
      copy->setObjectName(Text("Copy " + field.label));
      copy->setEnabled(!field.value.empty());
      QObject::connect(copy, &QPushButton::clicked, value,
                       [value] { QGuiApplication::clipboard()->setText(value->text()); });
      row->addWidget(value, 1);
      row->addWidget(copy);
      form->addRow(Text(field.label), row);
    }
    layout->addLayout(form);
  }
  if (!results.rows.empty()) layout->addWidget(BuildTable(results.rows, content), 1);
  return content;
}

}  // namespace toolkit
