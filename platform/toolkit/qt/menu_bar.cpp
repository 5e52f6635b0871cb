#include "platform/toolkit/qt/menu_bar.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>

#include "platform/toolkit/qt/qt_text.h"

namespace toolkit {

namespace {

void ShowItem(QAction& action, const TMenuItem& item) {
  action.setText(ToQString(item.Caption()));
  action.setEnabled(item.Enabled());
  // Only a checked item shows a check mark; the model decides what a click
  // does to it, so Qt must not toggle the others on its own.
  action.setCheckable(item.Checked());
  action.setChecked(item.Checked());
  action.setShortcut(QKeySequence::fromString(ToQString(ShortCutToText(item.ShortCut())),
                                              QKeySequence::PortableText));
  action.setStatusTip(QString::fromStdString(item.Hint()));
}

QAction* AddCommand(QWidget& container, TMenuItem& item) {
  auto* action = new QAction(&container);
  QPointer<QAction> shown(action);
  QObject::connect(action, &QAction::triggered, action, [shown, &item] {
    // The click may run a whole procedure; its error ends it, not the event loop.
    try {
      item.Click();
    } catch (...) {
      Application::Instance().HandleException(std::current_exception());
    }
    // Qt may have toggled the check mark; the model has the last word.
    if (shown) ShowItem(*shown, item);
  });
  return action;
}

void AddItems(QWidget& container, TMenuItem& parent) {
  for (std::size_t i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = parent.Items(i);
    QAction* action = nullptr;
    if (item.IsLine()) {
      action = new QAction(&container);
      action->setSeparator(true);
    } else if (item.Count() > 0) {
      auto* menu = new QMenu(&container);
      menu->setObjectName(ToQString(item.Name()));
      AddItems(*menu, item);
      QObject::connect(menu, &QMenu::aboutToShow, menu, [&item] {
        if (item.OnPopup) item.OnPopup(&item);
      });
      action = menu->menuAction();
    } else {
      action = AddCommand(container, item);
    }
    action->setObjectName(ToQString(item.Name()));
    if (!item.IsLine()) ShowItem(*action, item);
    container.addAction(action);
    item.OnChanged = [shown = QPointer<QAction>(action)](TMenuItem& changed) {
      if (shown && !changed.IsLine()) ShowItem(*shown, changed);
    };
  }
}

}  // namespace

void BuildMenuBar(QMenuBar& bar, TMenuItem& menu) { AddItems(bar, menu); }

void AddMenuItems(QWidget& container, TMenuItem& menu) { AddItems(container, menu); }

}  // namespace toolkit
