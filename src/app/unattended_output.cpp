// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/unattended_output.h"

#include "platform/single_instance.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

namespace sv {
namespace {

void KeepOnlySevere(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    std::fprintf(stderr, "Sorvanta: Qt: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void KeepQtMessagesOffStandardError() {
    const char* all = std::getenv("SORVANTA_QT_MESSAGES");
    if (all != nullptr && *all != '\0' && *all != '0')
        return;
    qInstallMessageHandler(KeepOnlySevere);
}

void ProvideRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0')
        return;
    const QString folder = SingleInstance::PrivateFolder(PrivatePlaces::FromEnvironment());
    if (!folder.isEmpty())
        ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(folder).constData(), 1);
}

} // namespace sv
