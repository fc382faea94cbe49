#pragma once

#include <QByteArray>
#include <QString>

// The worked examples both simulator tests check against.
inline const QByteArray kPoll = QByteArray::fromHex("3D7653C0A8012103EA0D0A2020202020");
inline const QByteArray kSetOn = QByteArray::fromHex("5331271503E8642D0D");
inline const QByteArray kRemoteSetOn = QByteArray::fromHex("3D76393131271503E8642D0D0A");
inline const QString kSetOnLine =
    QStringLiteral("set carrier=ON freq=100.05 power=1000 reflect=100 temp=45");
