#pragma once
// Lets the user choose the local COM port of a serial-port connection or of the local
// serial-port server, among the free ports; the first is chosen unless the user picks another.
#include <QDialog>
#include <vector>

class QComboBox;

class CComPortDlg : public QDialog {
    Q_OBJECT
public:
    CComPortDlg(std::vector<int> ports, QWidget* parent);

    int ChosenPort() const { return m_chosen; }
    QComboBox* PortList() const { return m_list; }

    // Shows the dialog (through nimbrel::RunModal) for a list that is not empty; true on "OK",
    // with the chosen port.
    static bool Choose(const std::vector<int>& ports, QWidget* parent, int* chosen);

private:
    void onSelectionChanged(int index);

    std::vector<int> m_ports;
    QComboBox* m_list;
    int m_chosen = 0;
};
