import QtQuick
import QtTest
import "qrc:/ui/qml/context"

Item {
    id: scene
    width: 300
    height: 200

    Button {
        id: button
        x: 50
        y: 50
        width: 107
        height: 28
        normal_image: "qrc:/ui/qml/image/scan/btn_bg_1.png"
        hot_image: "qrc:/ui/qml/image/scan/btn_bg_2.png"
        pushed_image: "qrc:/ui/qml/image/scan/btn_bg_3.png"
    }

    SignalSpy {
        id: clicks
        target: button
        signalName: "clicked"
    }

    TestCase {
        id: testCase
        name: "Button"
        when: windowShown

        property var hotImage: button.children[1]
        property var pushedImage: button.children[2]
        property var seenOpacities: []

        Connections {
            target: button.children[1]
            function onOpacityChanged() { testCase.seenOpacities.push(button.children[1].opacity) }
        }

        function init() {
            button.enabled = true
            mouseMove(scene, 5, 5)
            tryCompare(hotImage, "opacity", 0)
            clicks.clear()
            seenOpacities = []
        }

        function sawIntermediate() {
            return seenOpacities.some(function(o) { return o > 0 && o < 1 })
        }

        function test_imagesStackOverTheWholeButton() {
            for (var i = 0; i < 3; ++i) {
                compare(button.children[i].width, button.width)
                compare(button.children[i].height, button.height)
            }
            compare(button.children[0].opacity, 1)
            compare(button.state, "")
        }

        function test_hoverFadesInAndOut() {
            mouseMove(button, 20, 10)
            compare(button.state, "hot")
            tryCompare(hotImage, "opacity", 1)
            compare(pushedImage.opacity, 0)
            verify(sawIntermediate(), "hover should fade in: " + seenOpacities)

            seenOpacities = []
            mouseMove(scene, 5, 5)
            compare(button.state, "")
            tryCompare(hotImage, "opacity", 0)
            verify(sawIntermediate(), "leaving should fade out: " + seenOpacities)
        }

        function test_pressShowsPushedImageAtOnce() {
            mouseMove(button, 20, 10)
            tryCompare(hotImage, "opacity", 1)
            seenOpacities = []
            mousePress(button, 20, 10)
            compare(button.state, "press")
            compare(pushedImage.opacity, 1)
            compare(hotImage.opacity, 0)
            verify(!sawIntermediate(), "press should not fade: " + seenOpacities)
            mouseRelease(button, 20, 10)
            compare(button.state, "hot")
            compare(pushedImage.opacity, 0)
            compare(hotImage.opacity, 1)
            compare(clicks.count, 1)
        }

        function test_disabledButtonShowsNoHoverAndEmitsNothing() {
            button.enabled = false
            mouseMove(button, 20, 10)
            compare(button.state, "")
            mouseClick(button, 20, 10)
            compare(button.state, "")
            compare(hotImage.opacity, 0)
            compare(pushedImage.opacity, 0)
            compare(clicks.count, 0)
        }

        function test_disablingWhileHoveredDropsTheHover() {
            mouseMove(button, 20, 10)
            compare(button.state, "hot")
            button.enabled = false
            compare(button.state, "")
            tryCompare(hotImage, "opacity", 0)
        }

        function test_handCursor() {
            var shapes = []
            for (var i = 0; i < button.children.length; ++i) {
                if (typeof button.children[i].cursorShape === "string")
                    shapes.push(button.children[i].cursorShape)
            }
            compare(shapes, ["hand"])
        }
    }
}
