// Ids of Tarnview's texts (lang/): the words a screen reader speaks for each
// indicator. Block 1 of the string table, as every module's texts start.
#ifndef TARN_VIEWTEXTS_H
#define TARN_VIEWTEXTS_H

#define IDS_NAME_WLAN_ON 1
#define IDS_NAME_WLAN_OFF 2
#define IDS_NAME_DISPLAY_INTERNAL 3
#define IDS_NAME_DISPLAY_EXTERNAL 4
#define IDS_NAME_DISPLAY_DUAL 5
#define IDS_NAME_VOLUME_MUTE 6
#define IDS_NAME_VOLUME 7            // %1!d! the level, %2!d! the top of the scale
#define IDS_NAME_BRIGHTNESS 8        // likewise
#define IDS_NAME_3G_ON 9
#define IDS_NAME_3G_OFF 10
#define IDS_NAME_CAPS_ON 11
#define IDS_NAME_CAPS_OFF 12
#define IDS_NAME_NUM_ON 13
#define IDS_NAME_NUM_OFF 14
#define IDS_NAME_SCROLL_ON 15
#define IDS_NAME_SCROLL_OFF 16
#define IDS_NAME_DENIED 17

#endif
