import QtQuick
import NativeQuickWidgets 1.0

// A push button drawn by the desktop style: an optional icon before the
// label, checkable if asked, and with a menu that opens below it on a click.
Item {
    id: button

    // The drawn state. It shadows Item.enabled, so the item itself stays
    // enabled and the handlers below decide what a disabled button does.
    property alias enabled: frame.widgetEnabled
    property int iconSize: 16
    property alias icon: image.source
    property alias text: label.text
    property bool checkable: false
    property bool checked: false
    // Pressed and not yet released.
    property bool active: false
    property Menu menu: null
    // True while the menu is shown.
    property bool executingMenu: false

    signal clicked()
    signal toggled(bool enabled)

    implicitWidth: content.width + 25 + content.arrowRoom
    implicitHeight: content.height + 9

    SystemPalette { id: systemPalette }

    DeclarativeButton {
        id: frame
        objectName: "nativeButton"
        anchors.fill: parent
        menu: button.menu !== null
        hovered: mouseArea.containsMouse
        pressed: widgetEnabled && ((button.active && hovered) || (button.checkable && button.checked)
                                   || button.executingMenu)
    }

    Row {
        id: content
        // The style draws a menu's arrow at the right edge; the label keeps
        // clear of it.
        readonly property int arrowRoom: button.menu ? 14 : 0
        anchors.centerIn: parent
        anchors.horizontalCenterOffset: -arrowRoom / 2
        spacing: 7

        Image {
            id: image
            anchors.verticalCenter: parent.verticalCenter
            sourceSize.width: button.iconSize
            sourceSize.height: button.iconSize
        }
        Text {
            id: label
            anchors.verticalCenter: parent.verticalCenter
            color: button.enabled ? systemPalette.buttonText : systemPalette.dark
        }
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true

        onPressed: {
            if (!button.enabled)
                return
            button.active = true
            if (button.checkable) {
                button.checked = !button.checked
                button.toggled(button.checked)
            }
        }
        onReleased: {
            if (button.enabled)
                button.active = false
        }
        onClicked: {
            if (!button.enabled)
                return
            button.clicked()
            if (button.menu) {
                button.executingMenu = true
                // Returns once the menu has closed.
                button.menu.execAt(0, button.height, button)
                button.executingMenu = false
            }
        }
    }
}
