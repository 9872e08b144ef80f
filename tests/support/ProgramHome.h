#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace pellmarch::testing {

// Where the built program keeps its things when a test starts it, as a subscriber does with a
// remembered login: its settings (with that login), data and runtime folders, all in a
// temporary folder of their own, and never the user's.
class ProgramHome {
public:
    ProgramHome(const QString &username, const QString &password);

    // The folders and the settings are in place.
    bool isReady() const { return m_ready; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // The test's own environment, with the program's folders pointing here.
    QProcessEnvironment environment() const;

    // The port of the service the program was built to reach.
    static quint16 servicePort();

private:
    QTemporaryDir m_dir;
    bool m_ready = false;
};

} // namespace pellmarch::testing
