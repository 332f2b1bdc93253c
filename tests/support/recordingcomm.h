#pragma once

#include "commcomponent.h"

#include <QStringList>

// A component that only records what the window asks of it.
class RecordingComm : public zem::CommComponent
{
    Q_OBJECT
public:
    using CommComponent::CommComponent;

    QStringList writes; // every call that changes the component
    bool open = false;
    int port = 1;

    bool PortOpen() const override { return open; }
    zem::CommError setPortOpen(bool value) override
    {
        writes.append(QStringLiteral("PortOpen=%1").arg(value));
        open = value;
        return {};
    }
    qint64 droppedAtLastClose() const override { return 0; }
    int CommPort() const override { return port; }
    zem::CommError setCommPort(int value) override
    {
        writes.append(QStringLiteral("CommPort=%1").arg(value));
        port = value;
        return {};
    }
    zem::CommError setOutput(const QString &text) override
    {
        writes.append(QStringLiteral("Output=") + text);
        return {};
    }
    QString Input() override { return {}; }
    zem::ComMap devices() const override { return {}; }
    qint64 OutBufferCount() const override { return 0; }
};
