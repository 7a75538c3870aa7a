import QtQuick
import NativeQuickWidgets 1.0

// Image button: the normal image always lies underneath; the hovered image
// fades in and out over 200 ms, the pressed image shows at once. Relative
// image URLs would resolve against this folder, so pages pass absolute ones
// (Qt.resolvedUrl("image/...")).
Rectangle {
    id: button

    property url normal_image
    property url hot_image
    property url pushed_image

    signal clicked()

    width: 73
    height: 28
    color: "transparent"

    Image {
        id: normalImage
        anchors.fill: parent
        source: button.normal_image
    }
    Image {
        id: hotImage
        anchors.fill: parent
        source: button.hot_image
        opacity: 0
    }
    Image {
        id: pushedImage
        anchors.fill: parent
        source: button.pushed_image
        opacity: 0
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        onClicked: button.clicked()
    }

    CursorArea {
        anchors.fill: parent
        cursorShape: "hand"
    }

    states: [
        State {
            name: "hot"
            when: button.enabled && mouse.containsMouse && !mouse.pressed
            PropertyChanges { target: hotImage; opacity: 1 }
            PropertyChanges { target: pushedImage; opacity: 0 }
        },
        State {
            name: "press"
            when: button.enabled && mouse.pressed
            PropertyChanges { target: pushedImage; opacity: 1 }
            PropertyChanges { target: hotImage; opacity: 0 }
        }
    ]

    transitions: Transition {
        from: ""
        to: "hot"
        reversible: true
        NumberAnimation { property: "opacity"; duration: 200 }
    }
}
