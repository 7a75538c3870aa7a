import QtQuick

// Fading scroll bar for a list: faint at rest, fully visible while the list
// moves or the pointer is over it. The handle can be dragged; the track
// steps the list by 10 pixels per press.
Item {
    id: scrollBar

    property Flickable scrollArea

    // The list's first content position and how far it can move from there
    // (margins included).
    readonly property real contentTop: scrollArea ? scrollArea.originY - scrollArea.topMargin : 0
    readonly property real contentRange: scrollArea
        ? Math.max(0, Math.ceil(scrollArea.contentHeight + scrollArea.topMargin
                                + scrollArea.bottomMargin - scrollArea.height))
        : 0

    function scrollTo(position) {
        scrollArea.contentY = Math.min(Math.max(position, contentTop), contentTop + contentRange)
    }

    width: 8
    height: 200
    opacity: 0.1

    Rectangle {
        objectName: "trackAbove"
        width: parent.width
        height: handle.y
        color: "black"
        opacity: 0.3
    }
    Rectangle {
        objectName: "trackBelow"
        y: handle.y + handle.height
        width: parent.width
        height: Math.max(0, parent.height - y)
        color: "black"
        opacity: 0.3
    }

    BorderImage {
        id: handle
        objectName: "handle"
        width: parent.width
        y: scrollBar.scrollArea ? Math.ceil(scrollBar.scrollArea.visibleArea.yPosition * scrollBar.height) : 0
        height: scrollBar.scrollArea
            ? Math.min(scrollBar.height, Math.ceil(scrollBar.scrollArea.visibleArea.heightRatio * scrollBar.height))
            : scrollBar.height
        source: "../image/scan/scrollbar.png"
        border { left: 1; top: 1; right: 1; bottom: 1 }
    }

    // One area for track and handle, so that hovering either keeps the bar
    // shown. Handle drags work in the handle's own coordinates: each move
    // adds how far the pointer now lies from where it took the handle.
    MouseArea {
        id: area

        property bool draggingHandle: false
        property real pressY: 0

        anchors.fill: parent
        hoverEnabled: true

        onPressed: function(mouse) {
            draggingHandle = false
            if (!scrollBar.scrollArea)
                return
            if (mouse.y < handle.y) {
                scrollBar.scrollTo(scrollBar.scrollArea.contentY - 10)
            } else if (mouse.y >= handle.y + handle.height) {
                scrollBar.scrollTo(scrollBar.scrollArea.contentY + 10)
            } else {
                pressY = mouse.y - handle.y
                draggingHandle = true
            }
        }
        onPositionChanged: function(mouse) {
            if (draggingHandle && pressed)
                scrollBar.scrollTo(scrollBar.scrollArea.contentY + (mouse.y - handle.y) - pressY)
        }
        onReleased: draggingHandle = false
    }

    states: State {
        name: "active"
        when: (scrollBar.scrollArea && scrollBar.scrollArea.movingVertically)
              || area.containsMouse || area.pressed
        PropertyChanges { target: scrollBar; opacity: 1.0 }
    }

    transitions: Transition {
        from: "active"
        to: ""
        NumberAnimation { property: "opacity"; duration: 600 }
    }
}
