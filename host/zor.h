#pragma once

// Voltage tables of the IDE: limits, defaults and rail ties of a chip's supplies,
// looked up by the chip's voltage and family fields.

#include "host/hostglobal.h"

#include <QString>

namespace ZOR {

struct VoltageTable {
    QString vccDefault, vccMin, vccMax, vccxDefault, vccxMin, vccxMax, vccldoDefault, vccldoMin,
        vccldoMax;
    bool vccVccxTied = false, vccVccldoTied = false, vccxVccldoTied = false;
};

class VEPHOST_EXPORT Voltage {
public:
    Voltage(const QString &voltage, const QString &family);

    QString getVCCDefaultValue() const;
    QString getVCCXDefaultValue() const;
    QString getVCCLDODefaultValue() const;
    QString getVCCMin() const;
    QString getVCCMax() const;
    QString getVCCXMin() const;
    QString getVCCXMax() const;
    QString getVCCLDOMin() const;
    QString getVCCLDOMax() const;
    bool isVCCVCCXShortCircuit() const;
    bool isVCCVCCLDOShortCircuit() const;
    bool isVCCXVCCLDOShortCircuit() const;

    // host side
    static void registerTable(const QString &voltage, const QString &family,
                              const VoltageTable &table);

private:
    VoltageTable m_table;
};

} // namespace ZOR
