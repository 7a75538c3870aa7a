import QtQuick
import NativeQuickWidgets 1.0

// An area that opens a pop-up menu of the actions declared inside it when
// clicked with the right mouse button; other buttons reach what lies below.
Item {
    default property alias actions: menu.actions

    function exec() {
        menu.exec()
    }
    function execAt(x, y, item) {
        menu.execAt(x, y, item)
    }

    Menu {
        id: menu
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        onClicked: menu.exec()
    }
}
