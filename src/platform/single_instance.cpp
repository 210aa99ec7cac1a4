// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

namespace sv {

QString SingleInstance::KeyFor(const QString& programFolder) {
    QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QDir(programFolder).absolutePath());
    // A digest keeps the socket name short and free of the folder's own characters.
    const QByteArray digest = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("sorvanta-") + QString::fromLatin1(digest.left(16));
}

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent)
    : QObject(parent), m_key(KeyFor(programFolder)) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
        }
        emit ActivationRequested();
    });
}

SingleInstance::~SingleInstance() {
    m_server.close();
}

bool SingleInstance::Claim() {
    m_lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(m_key + QStringLiteral(".lock")));
    // A lock left by a process that died is taken over by its process id, never by its age.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError) {
            AskRunningToShow();
            m_lock.reset();
            return false;
        }
        // The lock file cannot be made at all (no temporary folder): run rather than refuse.
        m_lock.reset();
        return true;
    }
    QLocalServer::removeServer(m_key); // a socket file left by a crashed run
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(m_key);
    return true;
}

void SingleInstance::AskRunningToShow() const {
    QLocalSocket socket;
    socket.connectToServer(m_key);
    if (socket.waitForConnected(2000))
        socket.disconnectFromServer();
}

} // namespace sv
