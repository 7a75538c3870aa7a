import QtQuick
import NativeQuickWidgets 1.0

// A check box drawn by the desktop style, with its label beside it; the
// whole row takes the mouse.
Item {
    id: checkBox

    property alias enabled: indicator.widgetEnabled
    property alias text: label.text
    property alias checked: indicator.checked

    signal clicked()
    signal toggled(bool enabled)

    implicitWidth: row.width
    implicitHeight: row.height

    SystemPalette { id: systemPalette }

    Row {
        id: row
        spacing: 7

        DeclarativeCheckBox {
            id: indicator
            objectName: "nativeCheckBox"
            width: 20
            height: 20
            hovered: mouseArea.containsMouse
        }
        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            color: checkBox.enabled ? systemPalette.buttonText : systemPalette.dark
        }
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true

        onClicked: {
            if (checkBox.enabled)
                checkBox.clicked()
        }
        onReleased: {
            if (!checkBox.enabled)
                return
            checkBox.checked = !checkBox.checked
            checkBox.toggled(checkBox.checked)
        }
    }
}
