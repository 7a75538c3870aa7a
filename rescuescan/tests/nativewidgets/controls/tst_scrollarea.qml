import QtQuick
import QtTest
import NativeQuickWidgets 1.0

Item {
    id: scene
    width: 400
    height: 300

    ScrollArea {
        id: area
        x: 10
        y: 10
        width: 200
        height: 150

        Rectangle {
            width: area.contentWidth
            height: area.contentHeight
            color: "#dde"
        }
    }

    TestCase {
        name: "ScrollArea"
        when: windowShown

        property var flickable: findChild(area, "flickable")
        property var verticalBar: findChild(area, "verticalScrollBar")
        property var horizontalBar: findChild(area, "horizontalScrollBar")

        function init() {
            area.horizontalScrollBarPolicy = Qt.ScrollBarAsNeeded
            area.verticalScrollBarPolicy = Qt.ScrollBarAsNeeded
            area.contentWidth = 200
            area.contentHeight = 1000
            flickable.contentX = 0
            flickable.contentY = 0
            mouseMove(scene, 390, 290)
        }

        // The area is 200 x 150; as needed, a bar shows once the content is
        // more than 16 larger than the view, which the other bar narrows.
        function test_barsShown_data() {
            const asNeeded = Qt.ScrollBarAsNeeded
            const on = Qt.ScrollBarAlwaysOn
            const off = Qt.ScrollBarAlwaysOff
            return [
                { tag: "content fits", w: 200, h: 150, hp: asNeeded, vp: asNeeded, hbar: false, vbar: false },
                { tag: "16 wider still fits", w: 216, h: 150, hp: asNeeded, vp: asNeeded, hbar: false, vbar: false },
                { tag: "17 wider", w: 217, h: 150, hp: asNeeded, vp: asNeeded, hbar: true, vbar: false },
                { tag: "taller", w: 200, h: 300, hp: asNeeded, vp: asNeeded, hbar: false, vbar: true },
                { tag: "wider, and taller than the narrowed view", w: 217, h: 160, hp: asNeeded, vp: asNeeded, hbar: true, vbar: true },
                { tag: "taller, and wider than the narrowed view", w: 210, h: 300, hp: asNeeded, vp: asNeeded, hbar: true, vbar: true },
                { tag: "always on", w: 10, h: 10, hp: on, vp: on, hbar: true, vbar: true },
                { tag: "always off", w: 900, h: 900, hp: off, vp: off, hbar: false, vbar: false },
                { tag: "one off leaves the other its room", w: 210, h: 900, hp: asNeeded, vp: off, hbar: false, vbar: false }
            ]
        }

        function test_barsShown(data) {
            area.contentWidth = data.w
            area.contentHeight = data.h
            area.horizontalScrollBarPolicy = data.hp
            area.verticalScrollBarPolicy = data.vp
            compare(horizontalBar.visible, data.hbar)
            compare(verticalBar.visible, data.vbar)
            compare(flickable.width, 200 - (data.vbar ? 16 : 0))
            compare(flickable.height, 150 - (data.hbar ? 16 : 0))
            compare(verticalBar.height, flickable.height)
            compare(horizontalBar.width, flickable.width)
        }

        function test_barsFollowTheContent() {
            compare(verticalBar.maximum, 1000 - 150)
            compare(verticalBar.pageStep, 150)
            flickable.contentY = 300
            compare(verticalBar.value, 300)
            flickable.contentY = 850
            compare(verticalBar.value, 850)
        }

        function test_pressingTheBarMovesTheContent() {
            // Below the slider: a page down.
            mouseMove(verticalBar, 8, 120)
            mousePress(verticalBar, 8, 120)
            mouseRelease(verticalBar, 8, 120)
            compare(flickable.contentY, 150)
            compare(verticalBar.value, 150)
            // The bar still follows the content after the user worked it.
            flickable.contentY = 500
            compare(verticalBar.value, 500)
            mouseMove(verticalBar, 8, 2)
            mousePress(verticalBar, 8, 2)
            mouseRelease(verticalBar, 8, 2)
            compare(flickable.contentY, 499)
        }

        function test_horizontalBar() {
            area.contentWidth = 600
            area.contentHeight = 100
            verify(horizontalBar.visible)
            compare(horizontalBar.maximum, 600 - 200)
            mouseMove(horizontalBar, 197, 8)
            mousePress(horizontalBar, 197, 8)
            mouseRelease(horizontalBar, 197, 8)
            compare(flickable.contentX, 1)
            flickable.contentX = 250
            compare(horizontalBar.value, 250)
        }
    }
}
