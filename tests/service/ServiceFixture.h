#pragma once

#include "ServiceStore.h"
#include "VerlundService.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace pellmarch::testing {

// The stand-in service on an ephemeral loopback port with a fresh database, seeded with the
// demo subscribers. Its request log is kept for inspection instead of going to standard error.
struct ServiceFixture {
    QTemporaryDir dir;
    verlund::ServiceStore store{dir.filePath(QStringLiteral("service.db"))};
    std::unique_ptr<verlund::VerlundService> service;
    quint16 port = 0;
    QStringList log;

    ServiceFixture() {
        QString error;
        if (!store.open(&error) || !store.seedDemo())
            qFatal("cannot prepare the service database: %s", qPrintable(error));
        service = std::make_unique<verlund::VerlundService>(store);
        service->setLogger([this](const QString &line) { log.append(line); });
        port = service->listen(QHostAddress::LocalHost, 0);
        if (port == 0)
            qFatal("the service cannot listen");
    }

    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
};

} // namespace pellmarch::testing
