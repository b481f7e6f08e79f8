/* The module's resource ids, defined here only: the .rc files, the saver's
   code, its tests and the test-picture generator include this header. Plain
   #defines, so that the resource compiler reads it as well as C++. */
#ifndef BRINEMERE_RESOURCE_IDS_H
#define BRINEMERE_RESOURCE_IDS_H

/* String table: the name Windows lists the saver under. */
#define IDS_PRODUCT_NAME 1

/* The module's icon (icon group) and the configuration dialog's template. */
#define IDI_SAVER 101
#define IDD_CONFIG 101

/* The configuration dialog's controls. */
#define IDC_CONFIG_HOME_PAGE 1000
#define IDC_CONFIG_OK 1007
#define IDC_CONFIG_CANCEL 1009
#define IDC_CONFIG_SPEED 1026
#define IDC_CONFIG_EXIT_ON_MOUSE 1036
#define IDC_CONFIG_WIDE_SCREEN 1037
#define IDC_CONFIG_ALL_DISPLAYS 1038

/* The 152 x 112 preview picture (bitmap). */
#define IDB_PREVIEW 246

/* RCDATA: the art and the water shaders. Ranges run from _FIRST for as many
   pictures as the art table (art_table.h) counts. */
#define IDR_BANNER 245
#define IDR_NOISE_FIRST 334
#define IDR_FLARE_STAR 360
#define IDR_FLARE_GLOW 361
#define IDR_FLARE_RING 362
#define IDR_FRESNEL_RAMP 363
#define IDR_HEIGHTMAP_FIRST 370
#define IDR_SKY_FACE_FIRST 430
#define IDR_WATER_HLSL 435
#define IDR_SKY_CUBE 436

#endif
