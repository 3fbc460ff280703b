#pragma once

// Factories of the models that have a register map of their own.
//
// Adding a model's registers: write sim/models/<Model>.cpp defining the factory declared
// below (a sim::Device subclass that maps its registers in its constructor and overrides the
// write hooks or onTick() where the device does more than store), then put the factory into
// the model's row of the table in sim/models/Models.cpp in place of nullptr. The table sets
// identification and firmware after the factory ran.

#include "sim/Device.h"

#include <memory>

namespace sim::models {

using Factory = std::unique_ptr<Device> (*)(const QString &name);

std::unique_ptr<Device> makeKqxFamily(const QString &name); // KQx, KQLx, T4yR, VTx, VTLx
std::unique_ptr<Device> makeCwr1(const QString &name);
std::unique_ptr<Device> makeGwr1(const QString &name);
std::unique_ptr<Device> makeE7pz(const QString &name);
std::unique_ptr<Device> makeEuv6(const QString &name);
std::unique_ptr<Device> makeEhn2(const QString &name);
std::unique_ptr<Device> makeEhb2(const QString &name);
std::unique_ptr<Device> makeEhb5Hn9(const QString &name);
std::unique_ptr<Device> makeT4yJ(const QString &name);
std::unique_ptr<Device> makeT4yG(const QString &name);
std::unique_ptr<Device> makeT6yR(const QString &name);
std::unique_ptr<Device> makeZk(const QString &name);
std::unique_ptr<Device> makeZsl(const QString &name);
std::unique_ptr<Device> makeZg(const QString &name);

} // namespace sim::models
