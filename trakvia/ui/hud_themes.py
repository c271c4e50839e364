"""Display themes of the HUD overlay: colours, fonts and layout of each look."""
from dataclasses import dataclass
from typing import List, Tuple

Rgba = Tuple[int, int, int, int]

# Layouts the renderer knows (hud_renderer.py draws each one).
LAYOUT_PANELS = "panels"   # rounded panels in the corners
LAYOUT_BAR = "bar"         # one race-style bar along the bottom edge
LAYOUT_FIELDS = "fields"   # a column of labelled data fields, like a bike computer


@dataclass(frozen=True)
class HudTheme:
    key: str            # stable name, used in file names ("f1", "garmin", "clean_white")
    title: str          # shown in the theme selection
    layout: str
    panel: Rgba         # panel background
    panel_edge: Rgba    # panel outline
    text: Rgba          # values
    label: Rgba         # small captions under/over values
    accent: Rgba        # speed, highlights
    track: Rgba         # track line on the map
    marker: Rgba        # current position on the map
    map_bg: Rgba        # background of the map inset
    font_family: str
    italic_values: bool = False
    radius: float = 10.0


THEMES: List[HudTheme] = [
    HudTheme("default", "Varsayılan", LAYOUT_PANELS,
             panel=(12, 18, 28, 170), panel_edge=(255, 255, 255, 60), text=(255, 255, 255, 255),
             label=(170, 200, 220, 255), accent=(0, 200, 255, 255), track=(0, 200, 255, 230),
             marker=(255, 210, 0, 255), map_bg=(10, 16, 24, 175), font_family="Roboto"),
    HudTheme("f1", "F1 Yarış", LAYOUT_BAR,
             panel=(18, 18, 22, 225), panel_edge=(225, 6, 0, 255), text=(255, 255, 255, 255),
             label=(200, 200, 200, 255), accent=(225, 6, 0, 255), track=(255, 255, 255, 235),
             marker=(225, 6, 0, 255), map_bg=(18, 18, 22, 200), font_family="Roboto",
             italic_values=True, radius=2.0),
    HudTheme("garmin", "Garmin", LAYOUT_FIELDS,
             panel=(30, 33, 36, 215), panel_edge=(90, 95, 100, 255), text=(255, 255, 255, 255),
             label=(150, 190, 230, 255), accent=(0, 122, 194, 255), track=(0, 160, 255, 255),
             marker=(255, 255, 255, 255), map_bg=(235, 232, 220, 235), font_family="Roboto",
             radius=4.0),
    HudTheme("night", "Gece Görüşü", LAYOUT_PANELS,
             panel=(0, 20, 0, 165), panel_edge=(60, 255, 60, 140), text=(120, 255, 120, 255),
             label=(60, 190, 60, 255), accent=(160, 255, 80, 255), track=(90, 255, 90, 230),
             marker=(255, 255, 255, 255), map_bg=(0, 18, 0, 185), font_family="DejaVu Sans Mono",
             radius=0.0),
    HudTheme("amber", "Kokpit (Amber)", LAYOUT_FIELDS,
             panel=(25, 15, 0, 190), panel_edge=(255, 170, 0, 160), text=(255, 190, 40, 255),
             label=(200, 130, 20, 255), accent=(255, 120, 0, 255), track=(255, 190, 40, 235),
             marker=(255, 255, 255, 255), map_bg=(25, 15, 0, 190), font_family="DejaVu Sans Mono",
             radius=6.0),
    HudTheme("clean_white", "Sade Beyaz", LAYOUT_BAR,
             panel=(255, 255, 255, 235), panel_edge=(255, 255, 255, 255), text=(25, 28, 32, 255),
             label=(110, 116, 124, 255), accent=(20, 110, 230, 255), track=(20, 110, 230, 255),
             marker=(230, 40, 40, 255), map_bg=(255, 255, 255, 225), font_family="Roboto",
             radius=12.0),
]


def theme_at(position: int) -> HudTheme:
    """The theme at a selection position; out-of-range positions give the default theme."""
    if 0 <= position < len(THEMES):
        return THEMES[position]
    return THEMES[0]
