// Renders a menu model as Qt actions and keeps them in step with it.
#pragma once

#include <QMenuBar>

#include "platform/toolkit/toolkit.h"

namespace toolkit {

// Items with children become menus; items without children on the bar itself
// become commands on the bar. Choosing an action clicks its item.
void BuildMenuBar(QMenuBar& bar, TMenuItem& menu);

}  // namespace toolkit
