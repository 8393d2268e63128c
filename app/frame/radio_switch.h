#pragma once
// The status bar's radio pane: which radio the program manages ("Radio: sim", "Radio: bluez
// hci0") and, in its menu, the adapter's power switch "Bluetooth On". The switch reads the
// adapter's state each time the menu opens, as another program may have switched it.
#include <QToolButton>

class QAction;

class CRadioSwitch : public QToolButton {
    Q_OBJECT
public:
    explicit CRadioSwitch(QWidget* parent = nullptr);

    QAction* PowerAction() const { return m_power; }
    // Reads the radio's name and power again.
    void Refresh();

private:
    void switchPower(bool on);

    QAction* m_power;
};

// "Radio: " and what the installed backend says it is.
QString RadioDescription();
