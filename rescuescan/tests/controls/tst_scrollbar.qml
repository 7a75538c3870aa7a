import QtQuick
import QtTest
import "qrc:/ui/qml/context"

Item {
    id: scene
    width: 300
    height: 260

    ListView {
        id: list
        x: 10
        y: 10
        width: 200
        height: 200
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: 100
        delegate: Rectangle { width: 192; height: 20; color: index % 2 ? "#eef" : "#fff" }
    }

    ScrollBar {
        id: bar
        x: list.x + list.width - width
        y: list.y
        height: list.height
        scrollArea: list
    }

    TestCase {
        id: testCase
        name: "ScrollBar"
        when: windowShown

        property var handle: bar.children[2]
        property var seenOpacities: []

        Connections {
            target: bar
            function onOpacityChanged() { testCase.seenOpacities.push(bar.opacity) }
        }

        function init() {
            list.topMargin = 0
            list.bottomMargin = 0
            list.contentY = 0
            mouseMove(scene, 290, 250)
            tryCompare(bar, "opacity", 0.1)
        }

        // The pointer always arrives before it presses, as a person's does.
        function clickAt(x, y) {
            mouseMove(bar, x, y)
            mouseClick(bar, x, y)
        }

        function dragHandle(toY) {
            mouseMove(handle, 4, 5)
            mousePress(handle, 4, 5)
            mouseMove(bar, 4, toY)
            mouseMove(bar, 4, toY)
            mouseMove(bar, 4, toY)
            mouseRelease(bar, 4, toY)
        }

        function test_handleFollowsTheList() {
            compare(handle.objectName, "handle")
            compare(handle.y, 0)
            compare(handle.height, 20)
            list.contentY = 900
            compare(handle.y, 90)
            list.contentY = 1800
            compare(handle.y, 180)
        }

        function test_dragPastTheEndsStopsAtFirstAndLast_data() {
            return [
                { tag: "no margins", margin: 0, first: 0, last: 1800 },
                { tag: "margins 2", margin: 2, first: -2, last: 1802 }
            ]
        }

        function test_dragPastTheEndsStopsAtFirstAndLast(data) {
            list.topMargin = data.margin
            list.bottomMargin = data.margin
            list.contentY = data.first
            dragHandle(5000)
            compare(list.contentY, data.last)
            dragHandle(-5000)
            compare(list.contentY, data.first)
        }

        function test_dragMovesByThePointerDistance() {
            mouseMove(handle, 4, 5)
            mousePress(handle, 4, 5)
            mouseMove(bar, 4, 5 + 30)
            compare(list.contentY, 30)
            mouseRelease(bar, 4, 35)
        }

        function test_trackStepsTenPixelsPerPress() {
            list.contentY = 900
            clickAt(4, 195)
            compare(list.contentY, 910)
            clickAt(4, 5)
            clickAt(4, 5)
            compare(list.contentY, 890)
        }

        function test_trackStepStopsAtTheTop() {
            list.contentY = 4
            compare(handle.y, 1)
            clickAt(4, 0)
            compare(list.contentY, 0)
        }

        function test_showsWhileHoveredThenFades() {
            compare(bar.opacity, 0.1)
            mouseMove(bar, 4, 100)
            compare(bar.opacity, 1.0)
            seenOpacities = []
            mouseMove(scene, 290, 250)
            tryCompare(bar, "opacity", 0.1)
            verify(seenOpacities.some(function(o) { return o > 0.1 && o < 1 }),
                   "the bar should fade: " + seenOpacities)
        }

        function test_showsWhileTheListMoves() {
            list.contentY = 900
            list.flick(0, 1500)
            verify(list.movingVertically)
            compare(bar.opacity, 1.0)
            tryCompare(list, "movingVertically", false, 10000)
            tryCompare(bar, "opacity", 0.1)
        }
    }
}
