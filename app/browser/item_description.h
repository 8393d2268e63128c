#pragma once
// What a browser item says of itself beyond its name: the tooltip and the accessible
// description of its entry (a device's address, class, paired and connected state; a
// service's COM port and, for our own, its channel).
#include <QString>

class CBrowserItem;

namespace item_description {

// One fact a line ("Address: 00:11:22:33:44:55"); empty when there is nothing to say.
QString ToolTipOf(const CBrowserItem& item);
// The same facts on one line, for screen readers.
QString AccessibleOf(const CBrowserItem& item);

}  // namespace item_description
