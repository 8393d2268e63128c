#include "app/browser/browser_item.h"

#include "app/browser/nimbrel_view.h"
#include "app/dialogs/properties_dlg.h"
#include "app/frame/main_frame.h"

void CBrowserItem::ShowProperties() { ShowPropertiesDialog(*this, m_view ? m_view->GetFrame() : nullptr); }
