#include "app/frame/start_search.h"

#include <QMetaObject>
#include <cstdio>
#include <memory>

#include "app/browser/browser_list_model.h"
#include "app/browser/nimbrel_view.h"
#include "app/frame/command_ids.h"
#include "app/frame/engine_events.h"
#include "app/frame/main_frame.h"

namespace start_search {

void Run(CMainFrame& frame) {
    // Queued as the window's own handlers are, and connected after them: the line comes once
    // the list has taken every device the search announced before its end.
    auto ended = std::make_shared<QMetaObject::Connection>();
    *ended = QObject::connect(
        frame.Events(), &EngineEvents::inquiryEnded, &frame,
        [&frame, ended] {
            QObject::disconnect(*ended);
            std::printf("found %d\n", frame.GetActiveView()->Model()->rowCount());
            std::fflush(stdout);
        },
        Qt::QueuedConnection);
    frame.OnCommand(cmd::kSearchDevices);
}

}  // namespace start_search
