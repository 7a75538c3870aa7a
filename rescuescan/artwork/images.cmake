# Every image of the pages, with its pixel size, template and settings.

# Push buttons. Neutral buttons carry dark text; accent buttons carry white
# text (their blue has 4.5:1 contrast to white and to black alike).
set(NEUTRAL_1 "TOP=#ffffff" "BOTTOM=#ebf0f5" "BORDER=#b3c3d2" SHADOW=0.10 HIGHLIGHT=0.9)
set(NEUTRAL_2 "TOP=#f5faff" "BOTTOM=#d9e9f7" "BORDER=#4c98d6" SHADOW=0.14 HIGHLIGHT=0.9)
set(NEUTRAL_3 "TOP=#c9dcee" "BOTTOM=#deebf6" "BORDER=#2f7fc0" SHADOW=0 HIGHLIGHT=0)
set(ACCENT_1 "TOP=#2a85cd" "BOTTOM=#1a6aad" "BORDER=#14568d" SHADOW=0.18 HIGHLIGHT=0.22)
set(ACCENT_2 "TOP=#43a0e6" "BOTTOM=#2a82c8" "BORDER=#1a67a6" SHADOW=0.24 HIGHLIGHT=0.35)
set(ACCENT_3 "TOP=#124f82" "BOTTOM=#1a64a0" "BORDER=#0f4572" SHADOW=0 HIGHLIGHT=0)

# Round window buttons; close turns red under the pointer.
set(ROUND_1 "DISC_TOP=#4a6f93" "DISC_BOTTOM=#34587c" "RING=#7b9cbb")
set(ROUND_2 "DISC_TOP=#6892bb" "DISC_BOTTOM=#4d78a2" "RING=#bcd3e8")
set(ROUND_3 "DISC_TOP=#213a55" "DISC_BOTTOM=#2b4b6c" "RING=#53718f")
set(CLOSE_2 "DISC_TOP=#e46060" "DISC_BOTTOM=#c93c3c" "RING=#f3b0b0")
set(CLOSE_3 "DISC_TOP=#962828" "DISC_BOTTOM=#b13333" "RING=#7e2020")

# Share buttons in each network's colour.
set(FACEBOOK_1 "DISC_TOP=#4767a8" "DISC_BOTTOM=#37548f" "RING=#2e4a80")
set(FACEBOOK_2 "DISC_TOP=#6487cb" "DISC_BOTTOM=#4a6bb0" "RING=#ffffff")
set(FACEBOOK_3 "DISC_TOP=#283f6e" "DISC_BOTTOM=#334e86" "RING=#213760")
set(TWITTER_1 "DISC_TOP=#33a8ef" "DISC_BOTTOM=#1890d9" "RING=#1581c3")
set(TWITTER_2 "DISC_TOP=#66c2f7" "DISC_BOTTOM=#2ea7ee" "RING=#ffffff")
set(TWITTER_3 "DISC_TOP=#1270ad" "DISC_BOTTOM=#1886c9" "RING=#0f6196")
set(GOOGLE_1 "DISC_TOP=#e0574b" "DISC_BOTTOM=#c63a2e" "RING=#ad3328")
set(GOOGLE_2 "DISC_TOP=#f07a70" "DISC_BOTTOM=#db4d41" "RING=#ffffff")
set(GOOGLE_3 "DISC_TOP=#a12b21" "DISC_BOTTOM=#ba3429" "RING=#8e261d")

# Scan choice tiles: resting and lifted.
set(TILE_1 "CARD_BOTTOM=#f4f7fa" "BORDER=#d3dde6" BORDER_WIDTH=1 SHADOW=0.10 SHADOW_Y=11 BLUR=4
    "BACKDROP=#e8f2fb" "BACKDROP_EDGE=#f5f9fd" "INK_BOTTOM=#1f78c1" "FOLDER=#f5c04f" "FOLDER_FRONT=#fad57c")
set(TILE_2 "CARD_BOTTOM=#eaf4fd" "BORDER=#3a91d8" BORDER_WIDTH=2.5 SHADOW=0.22 SHADOW_Y=13 BLUR=6
    "BACKDROP=#d3e8f9" "BACKDROP_EDGE=#e6f2fc" "INK_BOTTOM=#165d98" "FOLDER=#f5bb3f" "FOLDER_FRONT=#f9cf6a")

# Radar blips: under the sweep, just passed, at rest.
set(LIT "#1f78c1")
set(FADING "#6fa8d8")
set(DIM "#bcd6eb")

# Dialog backgrounds: parts a window does not have stay hidden.
set(EMBLEM_DISPLAY none)
set(EMBLEM_X 0)
set(EMBLEM_Y 0)
set(EMBLEM_CROSS "M0 0")
set(PANEL_DISPLAY none)
set(PANEL_X 0)
set(PANEL_Y 0)
set(PANEL_W 0)
set(PANEL_H 0)
set(FOOT_DISPLAY none)
set(FOOT 0)
set(FOOT_Y 0)

# Main window
rescue_artwork(home_page/korvo_rescue_disk_bg.png 790 514 window_bg.svg.in)
rescue_artwork(home_page/korvo_rescue_disk_logo.png 181 42 logo.svg.in)
foreach(state 1 2 3)
    rescue_artwork(home_page/Help_${state}.png 22 22 round_button.svg.in GLYPH=help ${ROUND_${state}})
    rescue_artwork(home_page/small_${state}.png 22 22 round_button.svg.in GLYPH=minimise ${ROUND_${state}})
    rescue_artwork(home_page/facebook_${state}.png 22 22 share_button.svg.in GLYPH=facebook ${FACEBOOK_${state}})
    rescue_artwork(home_page/twitter_${state}.png 22 22 share_button.svg.in GLYPH=twitter ${TWITTER_${state}})
    rescue_artwork(home_page/G+_${state}.png 22 22 share_button.svg.in GLYPH=google ${GOOGLE_${state}})
endforeach()
rescue_artwork(home_page/Close_1.png 22 22 round_button.svg.in GLYPH=close ${ROUND_1})
rescue_artwork(home_page/Close_2.png 22 22 round_button.svg.in GLYPH=close ${CLOSE_2})
rescue_artwork(home_page/Close_3.png 22 22 round_button.svg.in GLYPH=close ${CLOSE_3})
rescue_artwork(home_page/btn_bg_3.png 220 50 nav_selection.svg.in)
rescue_artwork(home_page/scan.png 28 32 nav_icon.svg.in GLYPH=scan)
rescue_artwork(home_page/Anti-Hacker.png 28 32 nav_icon.svg.in GLYPH=repair)
foreach(state 1 2)
    rescue_artwork(home_page/Fast_Scan_${state}.png 180 180 tile.svg.in GLYPH=fast ${TILE_${state}})
    rescue_artwork(home_page/Scan_Computer_${state}.png 180 180 tile.svg.in GLYPH=computer ${TILE_${state}})
    rescue_artwork(home_page/Scan_Special_location_${state}.png 180 180 tile.svg.in GLYPH=folder ${TILE_${state}})
endforeach()

# Scan pages
rescue_artwork(scan/scan_animation_bg.png 566 112 panel.svg.in "TOP=#f8fbfd" "BOTTOM=#ecf3f9" "BORDER=#d3dde6")
rescue_artwork(scan/progress_bar_bg.png 431 20 progress_track.svg.in)
rescue_artwork(scan/progress_bar_left.png 7 20 progress_fill.svg.in "VIEWBOX=0 0 7 20")
rescue_artwork(scan/progress_bar_center.png 1 20 progress_fill.svg.in "VIEWBOX=7 0 1 20")
rescue_artwork(scan/progress_bar_right.png 7 20 progress_fill.svg.in "VIEWBOX=8 0 7 20")
foreach(state 1 2 3)
    rescue_artwork(scan/btn_bg_${state}.png 107 28 button.svg.in RADIUS=4 ${NEUTRAL_${state}})
    rescue_artwork(scan/details_${state}.png 72 24 button.svg.in RADIUS=4 ${NEUTRAL_${state}})
    rescue_artwork(scan/OK_${state}.png 157 45 button.svg.in RADIUS=6 ${ACCENT_${state}})
endforeach()
rescue_artwork(scan/smile_face.png 43 32 smile_face.svg.in)
rescue_artwork(scan/threat_title.png 547 78 threat_title.svg.in)
rescue_artwork(scan/threats_panel.png 547 276 panel.svg.in "TOP=#ffffff" "BOTTOM=#fbfcfd" "BORDER=#cbd6e0")
rescue_artwork(scan/icon.png 33 36 threat_icon.svg.in)
rescue_artwork(scan/scrollbar.png 4 4 scrollbar.svg.in)
rescue_artwork(scan/popup_dialog_background.png 640 410 dialog_bg.svg.in BAND=38
    PANEL_DISPLAY=inline PANEL_X=12.5 PANEL_Y=38.5 PANEL_W=615 PANEL_H=344
    FOOT_DISPLAY=inline FOOT=27 FOOT_Y=383)
rescue_artwork(scan/custom_background.png 423 410 dialog_bg.svg.in BAND=38
    PANEL_DISPLAY=inline PANEL_X=1.5 PANEL_Y=48.5 PANEL_W=420 PANEL_H=306
    FOOT_DISPLAY=inline FOOT=45 FOOT_Y=365)

# Scan animation
rescue_artwork(animation/scan_1.png 93 93 scan_frame.svg.in ANGLE=0 BLIP_1=${DIM} BLIP_2=${DIM} BLIP_3=${DIM})
rescue_artwork(animation/scan_2.png 93 93 scan_frame.svg.in ANGLE=72 BLIP_1=${LIT} BLIP_2=${DIM} BLIP_3=${DIM})
rescue_artwork(animation/scan_3.png 93 93 scan_frame.svg.in ANGLE=144 BLIP_1=${FADING} BLIP_2=${DIM} BLIP_3=${LIT})
rescue_artwork(animation/scan_4.png 93 93 scan_frame.svg.in ANGLE=216 BLIP_1=${DIM} BLIP_2=${LIT} BLIP_3=${FADING})
rescue_artwork(animation/scan_5.png 93 93 scan_frame.svg.in ANGLE=288 BLIP_1=${DIM} BLIP_2=${FADING} BLIP_3=${DIM})

# Repair pages
foreach(state 1 2 3)
    rescue_artwork(repair/fixnow_${state}.png 107 28 button.svg.in RADIUS=4 ${ACCENT_${state}})
    rescue_artwork("repair/scan security problem_${state}.png" 183 53 button.svg.in RADIUS=7 ${ACCENT_${state}})
endforeach()
rescue_artwork(repair/bg_1.png 547 78 panel.svg.in "TOP=#f8fbfd" "BOTTOM=#ecf3f9" "BORDER=#d3dde6")
rescue_artwork(repair/registry_icon.png 59 71 registry_icon.svg.in)
rescue_artwork(repair/icon_ok.png 59 71 shield_icon.svg.in GLYPH=check "TOP=#4cc07f" BOTTOM=${SAFE_DARK})
rescue_artwork(repair/ok.png 22 22 status_icon.svg.in GLYPH=ok)
rescue_artwork(repair/warning.png 22 22 status_icon.svg.in GLYPH=warning)
rescue_artwork(repair/repairing.png 22 22 status_icon.svg.in GLYPH=repairing)
rescue_artwork(repair/repairing_force.png 22 22 status_icon.svg.in GLYPH=repairing-force)
rescue_artwork(repair/repair_ok.png 22 22 status_icon.svg.in GLYPH=repair-ok)
rescue_artwork(repair/bg.png 55 69 dial_bg.svg.in)
rescue_artwork(repair/pointer.png 55 55 dial_pointer.svg.in)

# Question windows. The background is drawn at the narrow window's size and
# stretched sideways for the wide one, so it has no features that stretching
# would distort.
rescue_artwork(warning/warning_bg.png 347 183 dialog_bg.svg.in BAND=33
    FOOT_DISPLAY=inline FOOT=48 FOOT_Y=135)
rescue_artwork(warning/icon.png 50 61 shield_icon.svg.in GLYPH=exclaim "TOP=#f4b942" BOTTOM=${ATTENTION_DARK})
foreach(state 1 2 3)
    rescue_artwork(warning/yes_${state}.png 89 30 button.svg.in RADIUS=4 ${NEUTRAL_${state}})
endforeach()

# About window
rescue_artwork(about/bg.png 563 305 dialog_bg.svg.in BAND=38
    EMBLEM_DISPLAY=inline EMBLEM_X=390 EMBLEM_Y=48 "EMBLEM_CROSS=M465 98v80M425 138h80"
    FOOT_DISPLAY=inline FOOT=69 FOOT_Y=236)
foreach(state 1 2 3)
    rescue_artwork(about/f_${state}.png 31 31 share_button.svg.in GLYPH=facebook ${FACEBOOK_${state}})
    rescue_artwork(about/t_${state}.png 31 31 share_button.svg.in GLYPH=twitter ${TWITTER_${state}})
    rescue_artwork(about/G+_${state}.png 31 31 share_button.svg.in GLYPH=google ${GOOGLE_${state}})
endforeach()
