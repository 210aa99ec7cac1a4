// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/single_instance.h"

#include "platform/file_messages.h"
#include "platform/posix_util.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sv {

namespace {

constexpr qsizetype kDigestChars = 16;
// How long a caller waits for the running program to answer, and the running one for a caller
// to say what it wants.
constexpr int kAnswerMs = 2000;
constexpr char kShowWord[] = "show";
constexpr char kWhoWord[] = "who";
constexpr char kHandOverWord[] = "handover";
constexpr char kWindowWord[] = "window";
constexpr char kOneShotWord[] = "run";
constexpr char kServiceWord[] = "service";
const QString kKeyPrefix = QStringLiteral("sorvanta-");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kSocketSuffix = QStringLiteral(".socket");

QString Failed(const QString& what, int err) {
    return QStringLiteral("%1（%2）").arg(what, QString::fromStdString(SystemErrorReason(err)));
}

// Why the folder `st` will not do, or "" when it is this user's alone. One we only pass through on
// the way may be entered by others, as long as they cannot put or rename anything in it.
QString Unsound(const struct stat& st, bool passThrough) {
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("フォルダではありません");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("ほかのユーザーのフォルダです");
    const QString mode = QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    const mode_t others = passThrough ? (S_IWGRP | S_IWOTH) : (S_IRWXG | S_IRWXO);
    if ((st.st_mode & others) != 0)
        return QStringLiteral("ほかのユーザーも使えるフォルダです（モード %1）").arg(mode);
    const mode_t owner = S_IWUSR | S_IXUSR;
    if ((st.st_mode & owner) != owner)
        return QStringLiteral("書き込めないフォルダです（モード %1）").arg(mode);
    return {};
}

// Opens `name` below `parentFd` as a folder without following a link, first making it with mode
// 0700 when `make`. -1, with the reason in `why`, when it is missing or will not do.
int OpenOwnFolder(int parentFd, const QByteArray& name, bool make, bool passThrough, QString& why) {
    bool made = false;
    if (make) {
        made = ::mkdirat(parentFd, name.constData(), 0700) == 0;
        if (!made && errno != EEXIST) {
            why = Failed(QStringLiteral("作成できません"), errno);
            return -1;
        }
    }
    detail::FdGuard fd(::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        const int err = errno;
        struct stat st {};
        if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            why = QStringLiteral("シンボリックリンクです");
        else if (err == ENOENT)
            why = QStringLiteral("ありません");
        else
            why = Failed(QStringLiteral("開けません"), err);
        return -1;
    }
    // A umask may have taken the owner's own bits; a failure shows in the mode checked below.
    if (made)
        ::fchmod(fd.get(), 0700);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        why = Failed(QStringLiteral("調べられません"), errno);
        return -1;
    }
    why = Unsound(st, passThrough);
    return why.isEmpty() ? fd.release() : -1;
}

// `base` itself when `below` is empty; otherwise the last of the folders `below` it, each made as
// needed and entered without following a link. The base is the user's own choice and may be a
// link (to another disk, say). Empty, with "place は reason" in `why`, when it will not do.
QString TryPlace(const QString& base, bool makeBase, const QStringList& below, QString& why) {
    const QString clean = QDir::cleanPath(base);
    if (!QDir::isAbsolutePath(clean)) {
        why = base + QStringLiteral(" は絶対パスではありません");
        return {};
    }
    QString reason;
    if (below.isEmpty()) {
        const detail::FdGuard fd(OpenOwnFolder(AT_FDCWD, QFile::encodeName(clean), false, false, reason));
        if (fd.get() >= 0)
            return clean;
        why = clean + QStringLiteral(" は") + reason;
        return {};
    }
    errno = 0;
    if (makeBase && !detail::ForceNative(QFile::encodeName(clean).toStdString(), 0700)) {
        why =
            clean + QStringLiteral(" は") + Failed(QStringLiteral("作成できません"), errno ? errno : ENOTDIR);
        return {};
    }
    int fd = ::open(QFile::encodeName(clean).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = clean + QStringLiteral(" は") + Failed(QStringLiteral("開けません"), errno);
        return {};
    }
    // Where others may write, only the sticky bit keeps them from renaming our folder away.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)) {
        ::close(fd);
        why = clean + QStringLiteral(" はほかのユーザーが中身を入れ替えられるフォルダです");
        return {};
    }
    QString folder = clean;
    for (qsizetype i = 0; i < below.size(); ++i) {
        folder += QLatin1Char('/') + below[i];
        const bool last = i + 1 == below.size();
        const int next = OpenOwnFolder(fd, QFile::encodeName(below[i]), true, !last, reason);
        ::close(fd);
        if (next < 0) {
            why = folder + QStringLiteral(" は") + reason;
            return {};
        }
        fd = next;
    }
    ::close(fd);
    return folder;
}

} // namespace

PrivatePlaces PrivatePlaces::FromEnvironment() {
    PrivatePlaces places;
    places.runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (places.runtime.isEmpty())
        places.session = QStringLiteral("/run/user/%1").arg(::geteuid());
    places.cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(places.cache)) { // a relative one is to be ignored
        QString home = qEnvironmentVariable("HOME");
        const passwd* user = home.isEmpty() ? ::getpwuid(::geteuid()) : nullptr;
        if (user) // without HOME Qt would say "/", a folder that is not the user's
            home = QFile::decodeName(user->pw_dir);
        if (!home.isEmpty())
            places.cache = home + QStringLiteral("/.cache");
    }
    places.temp = QDir::tempPath();
    return places;
}

QString SingleInstance::KeyFor(const QString& programFolder) {
    QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QDir(programFolder).absolutePath());
    // A digest keeps the socket name short and free of the folder's own characters.
    const QByteArray digest = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return kKeyPrefix + QString::fromLatin1(digest.left(kDigestChars));
}

QString SingleInstance::PrivateFolder(const PrivatePlaces& places, QStringList* why) {
    QStringList reasons;
    QString reason;
    const auto fits = [&reason](const QString& folder) {
        // The socket's whole path must fit the address, or the channel could not be opened there.
        const qsizetype entry = kKeyPrefix.size() + kDigestChars + kSocketSuffix.size();
        if (QFile::encodeName(folder).size() + 1 + entry < qsizetype(sizeof(sockaddr_un::sun_path)))
            return true;
        reason = folder + QStringLiteral(" はパスが長すぎてソケットを置けません");
        return false;
    };
    const auto tryPlace = [&](const QString& base, bool makeBase, const QStringList& below) {
        const QString folder = TryPlace(base, makeBase, below, reason);
        if (!folder.isEmpty() && fits(folder))
            return folder;
        reasons << reason;
        return QString();
    };

    QString folder;
    if (!places.runtime.isEmpty())
        folder = tryPlace(places.runtime, false, {});
    else
        reasons << QStringLiteral("XDG_RUNTIME_DIR は設定されていません");
    if (folder.isEmpty() && !places.session.isEmpty())
        folder = tryPlace(places.session, false, {});
    if (folder.isEmpty() && !places.cache.isEmpty())
        folder = tryPlace(places.cache, true, {QStringLiteral("sorvanta"), QStringLiteral("run")});
    // In the shared temporary folder only a folder of our own, which others cannot rename away.
    if (folder.isEmpty() && !places.temp.isEmpty())
        folder = tryPlace(places.temp, false, {QStringLiteral("sorvanta-%1").arg(::geteuid())});
    if (why)
        *why = folder.isEmpty() ? reasons : QStringList();
    return folder;
}

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), m_key(KeyFor(programFolder)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
            // A caller that says nothing is only looking whether the program runs.
            QTimer::singleShot(kAnswerMs, socket, [socket] { socket->disconnectFromServer(); });
        }
    });
}

void SingleInstance::Answer(QLocalSocket* socket) {
    if (!socket->canReadLine())
        return;
    const QByteArray request = socket->readLine().trimmed();
    const char* role = m_role == Role::Service   ? kServiceWord
                       : m_role == Role::OneShot ? kOneShotWord
                                                 : kWindowWord;
    socket->write(QByteArray(role) + ' ' + QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    socket->flush();
    socket->disconnectFromServer();
    if (request == kShowWord)
        emit ActivationRequested();
    else if (request == kHandOverWord)
        emit HandOverRequested();
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

bool SingleInstance::Claim(Request request) {
    m_holder = {};
    // Refusing to start would lock the user out over a folder; running unguarded, said aloud, does not.
    QStringList why;
    const QString folder = PrivateFolder(PrivatePlaces::FromEnvironment(), &why);
    if (folder.isEmpty()) {
        m_problem = QStringLiteral(
                        "Sorvanta: 自分だけが使えるフォルダがないため、二重起動を確かめずに起動します。%1。")
                        .arg(why.join(QStringLiteral("。")));
        return true;
    }
    const QString lockName = folder + QLatin1Char('/') + m_key + kLockSuffix;
    m_serverName = folder + QLatin1Char('/') + m_key + kSocketSuffix;
    m_lock = std::make_unique<QLockFile>(lockName);
    // A lock left by a process that died is taken over by its process id, never by its age.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError) {
            m_lock.reset();
            if (m_asking)
                m_holder = Ask(request);
            return false;
        }
        m_problem =
            QStringLiteral("Sorvanta: ロックファイル %1 を作成できないため、二重起動を確かめずに起動します。")
                .arg(lockName);
        m_lock.reset();
        return true;
    }
    m_claimed = true;
    QLocalServer::removeServer(m_serverName); // a socket file left by a crashed run
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_serverName))
        m_problem = QStringLiteral(
                        "Sorvanta: %1 で待ち受けできないため、二つ目の起動でこのウィンドウを前面に出せません"
                        "（%2）。")
                        .arg(m_serverName, m_server.errorString());
    return true;
}

bool SingleInstance::ClaimWithin(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    m_asking = false; // the one still holding it is leaving already
    bool claimed = false;
    while (!(claimed = Claim(Request::Who)) && !deadline.hasExpired())
        QThread::msleep(100);
    m_asking = true;
    return claimed;
}

SingleInstance::Holder SingleInstance::Ask(Request request) {
    Holder holder;
    if (m_serverName.isEmpty())
        return holder;
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kAnswerMs))
        return holder;
    const char* word = request == Request::Show       ? kShowWord
                       : request == Request::HandOver ? kHandOverWord
                                                      : kWhoWord;
    socket.write(QByteArray(word) + '\n');
    if (!socket.waitForBytesWritten(kAnswerMs))
        return holder;
    while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) {
    }
    const QList<QByteArray> answer = socket.readLine().trimmed().split(' ');
    if (answer.size() != 2)
        return holder;
    bool number = false;
    holder.pid = answer[1].toLongLong(&number);
    holder.known = number;
    holder.role = answer[0] == kServiceWord   ? Role::Service
                  : answer[0] == kOneShotWord ? Role::OneShot
                                              : Role::Window;
    return holder;
}

void SingleInstance::Release() {
    m_server.close();
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
    m_claimed = false;
}

} // namespace sv
