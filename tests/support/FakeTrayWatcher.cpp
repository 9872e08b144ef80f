#include "support/FakeTrayWatcher.h"

namespace pellmarch::testing {

void FakeTrayWatcher::RegisterStatusNotifierItem(const QString &service,
                                                 const QDBusMessage &message) {
    // An item may give its object path instead of a bus name: it then lives at the sender.
    registered.append(service.startsWith(QLatin1Char('/')) ? message.service() : service);
}

} // namespace pellmarch::testing
