#pragma once

#include <QString>

class QComboBox;

namespace pellmarch::protocol {

// Replaces the entries of `box` by the pieces of the comma-separated `list`, in order, and
// leaves none of them chosen.
void SplitList(QComboBox *box, const QString &list);

} // namespace pellmarch::protocol
