#include "app/frame/radio_switch.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>

#include "app/frame/modal.h"
#include "platform/bluetooth/bt_backend.h"
#include "tools/common/backend_choice.h"

QString RadioDescription() {
    const auto backend = bth::InstalledBackend();
    return QCoreApplication::translate("CRadioSwitch", "Radio: %1")
        .arg(backend ? QString::fromStdString(backend->Describe())
                     : QCoreApplication::translate("CRadioSwitch", "none"));
}

CRadioSwitch::CRadioSwitch(QWidget* parent) : QToolButton(parent) {
    setObjectName(QStringLiteral("radioSwitch"));
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(this);
    m_power = menu->addAction(tr("Bluetooth On"));
    m_power->setObjectName(QStringLiteral("bluetoothOn"));
    m_power->setCheckable(true);
    setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &CRadioSwitch::Refresh);
    connect(m_power, &QAction::triggered, this, &CRadioSwitch::switchPower);
    Refresh();
}

void CRadioSwitch::Refresh() {
    const bool on = hostbackend::PoweredOn();
    m_power->setChecked(on);
    setText(on ? RadioDescription() : tr("%1 (off)").arg(RadioDescription()));
    setToolTip(on ? tr("Bluetooth is on") : tr("Bluetooth is off"));
}

void CRadioSwitch::switchPower(bool on) {
    const auto backend = bth::InstalledBackend();
    const DWORD error = backend ? backend->WritePower(on) : ERROR_DEV_NOT_EXIST;
    Refresh();
    if (error)
        nimbrel::ShowError(this, (on ? tr("Bluetooth could not be switched on (error %1).")
                                     : tr("Bluetooth could not be switched off (error %1)."))
                                     .arg(error));
}
