import QtQuick
import QtTest
import NativeQuickWidgets 1.0

Item {
    id: scene
    width: 400
    height: 300

    ScrollBar {
        id: bar
        x: 20
        y: 20
        width: 200
        height: 16
        maximum: 100
    }

    ScrollBar {
        id: verticalBar
        x: 300
        y: 20
        width: 16
        height: 200
        orientation: "vertical"
        maximum: 100
    }

    SignalSpy {
        id: changes
        target: bar
        signalName: "valueChanged"
    }

    TestCase {
        id: testCase
        name: "ScrollBar"
        when: windowShown

        property var nativeBar: findChild(bar, "nativeScrollBar")
        property var mouseArea: findChild(bar, "scrollBarMouseArea")

        // The middle of the slider, along the bar.
        function sliderMiddle(target) {
            const nativeBar = findChild(target, "nativeScrollBar")
            return (nativeBar.sliderMinimum + nativeBar.sliderMaximum) / 2
        }

        function init() {
            mouseMove(scene, 390, 290)
            bar.value = 0
            bar.singleStep = 1
            bar.pageStep = 10
            verticalBar.value = 0
            changes.clear()
        }

        function cleanup() {
            mouseRelease(scene, 390, 290)
        }

        // A bar 200 long: the arrows sit at its ends, the groove between.
        // "after" and "before" are points of the groove beyond either end of
        // the slider.
        function test_press_data() {
            return [
                { tag: "AddLine", start: 0, at: 197, value: 1 },
                { tag: "SubLine", start: 50, at: 2, value: 49 },
                { tag: "AddPage", start: 0, at: "after", value: 10 },
                { tag: "SubPage", start: 50, at: "before", value: 40 },
                { tag: "AddPage stops at the maximum", start: 60, page: 50, at: "after", value: 100 },
                { tag: "SubPage stops at the minimum", start: 40, page: 50, at: "before", value: 0 },
                { tag: "AddLine at the maximum", start: 100, at: 197, value: 100 },
                { tag: "SubLine at the minimum", start: 0, at: 2, value: 0 },
                { tag: "AddLine that would pass the maximum", start: 99, step: 5, at: 197, value: 99 },
                { tag: "SubLine that would pass the minimum", start: 3, step: 5, at: 2, value: 3 }
            ]
        }

        function test_press(data) {
            if (data.step)
                bar.singleStep = data.step
            if (data.page)
                bar.pageStep = data.page
            bar.value = data.start
            changes.clear()
            let at = data.at
            if (at === "after")
                at = (nativeBar.sliderMaximum + nativeBar.grooveMaximum) / 2
            else if (at === "before")
                at = (nativeBar.grooveMinimum + nativeBar.sliderMinimum) / 2
            mouseMove(bar, at, 8)
            mousePress(bar, at, 8)
            // Once per press, whether the value moved or not.
            compare(bar.value, data.value)
            compare(changes.count, 1)
            verify(nativeBar.pressed)
            mouseRelease(bar, at, 8)
            verify(!nativeBar.pressed)
        }

        function test_verticalBarWorksAlongY() {
            mouseMove(verticalBar, 8, 197)
            mousePress(verticalBar, 8, 197)
            compare(verticalBar.value, 1)
            mouseRelease(verticalBar, 8, 197)
            mouseMove(verticalBar, 8, 150)
            mousePress(verticalBar, 8, 150)
            compare(verticalBar.value, 11)
            mouseRelease(verticalBar, 8, 150)
        }

        function test_dragTheSlider() {
            const grip = sliderMiddle(bar)
            mouseMove(bar, grip, 8)
            mousePress(bar, grip, 8)
            compare(mouseArea.state, "movingslider")
            compare(bar.value, 0)

            // The slider follows the pointer across the groove, even when
            // the pointer strays off the bar.
            const middle = (nativeBar.grooveMinimum + nativeBar.grooveMaximum) / 2
            mouseMove(bar, middle, 8)
            verify(Math.abs(bar.value - 50) <= 1, "value " + bar.value + " in the middle")
            mouseMove(bar, middle, 60)
            verify(Math.abs(bar.value - 50) <= 1, "value " + bar.value + " off the bar")
            mouseMove(bar, nativeBar.grooveMaximum + 40, 8)
            compare(bar.value, 100)
            mouseMove(bar, -30, 8)
            compare(bar.value, 0)
            verify(changes.count >= 4)

            mouseRelease(bar, -30, 8)
            compare(mouseArea.state, "")
            verify(!nativeBar.hovered)
        }

        function test_holdRepeatsTheStep() {
            const timer = findChild(bar, "autorepeatTimer")
            ticks.target = timer
            ticks.clear()
            mouseMove(bar, 150, 8)
            mousePress(bar, 150, 8)
            compare(bar.value, 10)
            // After the press-and-hold delay, a page at every tick until the
            // maximum.
            tryCompare(mouseArea, "state", "autorepeating", 5000)
            tryCompare(bar, "value", 100, 5000)
            verify(ticks.count >= 9)
            mouseRelease(bar, 150, 8)
            compare(mouseArea.state, "")
            compare(timer.running, false)
        }

        function test_repeatPausesWhileThePointerIsOff() {
            const timer = findChild(bar, "autorepeatTimer")
            ticks.target = timer
            ticks.clear()
            mouseMove(bar, 197, 8)
            mousePress(bar, 197, 8)
            tryCompare(mouseArea, "state", "autorepeating", 5000)
            tryVerify(function() { return bar.value >= 3 }, 5000)

            mouseMove(bar, 197, 60)
            verify(!nativeBar.hovered)
            const held = bar.value
            const seen = ticks.count
            tryVerify(function() { return ticks.count >= seen + 3 }, 5000)
            compare(bar.value, held)

            mouseMove(bar, 197, 8)
            verify(nativeBar.hovered)
            tryVerify(function() { return bar.value > held }, 5000)
            mouseRelease(bar, 197, 8)
        }

        function test_hoverFollowsThePointer() {
            mouseMove(bar, 100, 8)
            verify(nativeBar.hovered)
            compare(mouseArea.activeControl, nativeBar.hitTest(100, 8))
            mouseMove(bar, 2, 8)
            compare(mouseArea.activeControl, "SubLine")
            mouseMove(scene, 390, 290)
            verify(!nativeBar.hovered)
        }

        SignalSpy {
            id: ticks
            signalName: "triggered"
        }
    }
}
