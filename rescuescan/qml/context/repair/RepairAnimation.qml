import QtQuick

// A dial whose pointer turns while the registry is scanned or repaired.
Rectangle {
    id: animation

    property bool run: true

    width: 55
    height: 69
    color: "transparent"

    Image {
        anchors.fill: parent
        source: "../../image/repair/bg.png"
    }
    Image {
        id: pointer
        x: 0
        y: 0
        width: 55
        height: 55
        rotation: 90
        source: "../../image/repair/pointer.png"
    }
    Timer {
        interval: 150
        repeat: true
        running: animation.run
        onTriggered: pointer.rotation = (pointer.rotation + 10) % 360
    }
}
