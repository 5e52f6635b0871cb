// Renders a menu model as Qt actions and keeps them in step with it.
#pragma once

#include <QMenuBar>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

// Items with children become menus; items without children on the bar itself
// become commands on the bar. Choosing an action clicks its item.
void BuildMenuBar(QMenuBar& bar, TMenuItem& menu);
// The same for the items below `menu`, added to any menu or widget.
void AddMenuItems(QWidget& container, TMenuItem& menu);

}  // namespace toolkit
