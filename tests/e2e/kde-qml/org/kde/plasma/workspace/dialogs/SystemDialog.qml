// A stand-in for Plasma's system dialog, for the headless KDE session of the
// end-to-end tests (with-kwin.sh), which has no Plasma workspace: the KDE
// screenshot portal builds its dialog on it even for a non-interactive request,
// which shows no dialog, and stops without it. It holds what that dialog sets
// and the signals the portal connects to; it shows nothing and asks nothing.
import QtQuick 2.15
import QtQuick.Window 2.15
import QtQuick.Controls 2.15 as QQC2

Window {
    property string iconName
    property bool acceptable: true
    property alias standardButtons: buttons.standardButtons
    property alias dialogButtonBox: buttons
    property list<QtObject> actions
    default property alias content: body.data

    signal accept()
    signal reject()

    visible: false

    Item {
        id: body
    }
    QQC2.DialogButtonBox {
        id: buttons
    }
}
