import QtQuick

// Five frames of a radar sweep, shown in turn every 150 ms while run is true.
Rectangle {
    id: animation

    property bool run: true
    property int index: 0

    width: 93
    height: 93
    color: "transparent"

    Repeater {
        id: frames
        model: 5
        Image {
            width: 93
            height: 93
            source: Qt.resolvedUrl("../image/animation/scan_" + (index + 1) + ".png")
            visible: index === 0
        }
    }

    Timer {
        interval: 150
        repeat: true
        running: animation.run
        onTriggered: {
            for (var i = 0; i < frames.count; ++i)
                frames.itemAt(i).visible = i === animation.index
            animation.index = (animation.index + 1) % 5
        }
    }
}
