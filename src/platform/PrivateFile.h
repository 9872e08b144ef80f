#pragma once

#include <QByteArray>
#include <QString>

struct stat;

namespace pellmarch::platform {

// Files that keep the user's data for the program (its history, its marks): the owner's alone,
// never followed through a link, never read from or written over when what stands at their place
// is not the program's own file.

// Why what `status` describes is not the program's own file (a link, no regular file, another
// user's, larger than `largest` bytes); empty text when it is.
QString NotOwnFile(const struct stat &status, qint64 largest);

// Opens without following a link and without waiting on a pipe.
int OpenNoFollow(const QByteArray &path, int flags, unsigned mode = 0);

// Whether a regular file of this user's stands at `path` (not a link to one).
bool OwnFileAt(const QByteArray &path);

// What reading a private file came to.
struct PrivateFileRead {
    enum class State {
        Read,    // `content` holds the file
        Missing, // there is none yet
        NotOwn,  // something else stands there; `why` says what, for the user
        // It could not be read just now (too many open files, an I/O error, an interrupted
        // call): the file is left as it is, to be tried again later.
        Unavailable,
    };
    State state = State::Missing;
    QByteArray content;
    QString why;
};
// Whether a call that failed with `error` may well work when tried again (too many open files,
// an I/O error, an interrupted call, no memory): no sign that the file is not the program's own.
bool PassingFailure(int error);

// Reads the file at `path` when it is the program's own, at most `largest` bytes. A file of the
// owner's that its owner had closed to reading is opened up again.
PrivateFileRead ReadPrivateFile(const QString &path, qint64 largest);

// Sets aside what stands at `path` (a link itself, never what it points to: it is moved to a
// new name beside it, "<path>.set-aside-<time>") and says so, for the user:
// "<what>\n<path>\n<why>.\nIt was set aside as\n<new name>\n<then>", or, when it could not be set
// aside, "<what>\n<path>\n<why>, and it could not be set aside: <the system's reason>.\n<instead>".
// False in that case.
bool SetFileAsideSaying(const QString &path, const QString &what, const QString &why,
                        const QString &then, const QString &instead, QString *message);

// Writes `content` whole into a new file beside `path`, the owner's alone, and puts it in the
// place of what stood there (a link itself is replaced, never followed): a crash or a full disk
// leaves the old file or the new one, never half of either. The folder is made when missing.
bool WritePrivateFile(const QString &path, const QByteArray &content);

} // namespace pellmarch::platform
