#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace pellmarch::account {

// One run of the program at a time for each user: two runs would both register the own host
// name and both park it on closing, leaving the one still running parked. The first run holds
// a lock file in a folder private to the user (the runtime folder, else the program's own in
// the user's cache folder; without either it runs unguarded) and listens beside it; a later
// start finds the lock held, asks the running one to come to the front, and ends. A lock left
// by a run that crashed is recognised as stale and taken over.
class InstanceGuard final : public QObject {
    Q_OBJECT
public:
    // `folder` empty: the user's private folder, as above.
    explicit InstanceGuard(QString folder = {});
    ~InstanceGuard() override;

    // True when this is now the only run; false when another one runs (it has been asked to
    // come to the front) and this one must end without sending anything.
    bool becomeTheOnlyRun();

Q_SIGNALS:
    // A later start asked this run to come to the front.
    void raiseRequested();

private:
    QString m_folder;
    std::unique_ptr<QLockFile> m_lock; // made once the folder is known
    QLocalServer *m_server = nullptr;
};

} // namespace pellmarch::account
