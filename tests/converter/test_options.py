"""ConversionOptions: keyword construction, defaults, validation with Turkish messages."""
import pytest

DEFAULT_FORMATS = ("gpx", "kml", "geojson", "csv")


def test_defaults_and_repr(converter):
    o = converter.ConversionOptions()
    assert (o.sample_mode, o.formats, o.utc_offset_minutes, o.elevation) == ("1hz", DEFAULT_FORMATS, None, None)
    assert repr(o) == (
        "ConversionOptions(sample_mode='1hz', formats=('gpx', 'kml', 'geojson', 'csv'), "
        "utc_offset_minutes=None, elevation=None)"
    )


@pytest.mark.parametrize(
    "kwargs, expected",
    [
        ({"sample_mode": "all"}, {"sample_mode": "all"}),
        ({"sample_mode": "5s"}, {"sample_mode": "5s"}),
        ({"sample_mode": "dist2m"}, {"sample_mode": "dist2m"}),
        # canonical order, repeats folded, a single name or any iterable accepted
        ({"formats": ["mgjson", "gpx", "gpx"]}, {"formats": ("gpx", "mgjson")}),
        ({"formats": "nmea"}, {"formats": ("nmea",)}),
        ({"formats": iter(("csv", "kml"))}, {"formats": ("kml", "csv")}),
        ({"utc_offset_minutes": 180}, {"utc_offset_minutes": 180}),
        ({"utc_offset_minutes": -720}, {"utc_offset_minutes": -720}),
        ({"utc_offset_minutes": 840}, {"utc_offset_minutes": 840}),
        ({"elevation": "relative"}, {"elevation": "relative"}),
        ({"elevation": "absolute", "utc_offset_minutes": None}, {"elevation": "absolute"}),
    ],
)
def test_valid_values(converter, kwargs, expected):
    o = converter.ConversionOptions(**kwargs)
    for name, value in expected.items():
        assert getattr(o, name) == value


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"sample_mode": "x"}, ValueError, "Geçersiz örnekleme modu 'x'. Seçenekler: all, 1hz, 5s, dist2m"),
        ({"sample_mode": "1HZ"}, ValueError, "Geçersiz örnekleme modu '1HZ'. Seçenekler: all, 1hz, 5s, dist2m"),
        ({"sample_mode": None}, TypeError, "Geçersiz örnekleme modu türü: NoneType. Bir metin olmalı; seçenekler: all, 1hz, 5s, dist2m"),
        ({"formats": ["gpx", "shp"]}, ValueError, "Geçersiz çıktı biçimi 'shp'. Seçenekler: gpx, kml, geojson, csv, nmea, mgjson"),
        ({"formats": []}, ValueError, "En az bir çıktı biçimi seçilmeli. Seçenekler: gpx, kml, geojson, csv, nmea, mgjson"),
        ({"formats": 5}, TypeError, "Çıktı biçimleri bir ad listesi olmalı, int verildi"),
        ({"utc_offset_minutes": 841}, ValueError, "Geçersiz UTC farkı 841 dakika. Geçerli aralık: -720 ile 840 arası"),
        ({"utc_offset_minutes": -721}, ValueError, "Geçersiz UTC farkı -721 dakika. Geçerli aralık: -720 ile 840 arası"),
        ({"utc_offset_minutes": 10**30}, ValueError, f"Geçersiz UTC farkı {10**30} dakika. Geçerli aralık: -720 ile 840 arası"),
        ({"utc_offset_minutes": True}, TypeError, "UTC farkı dakika cinsinden bir tam sayı ya da None olmalı, bool verildi"),
        ({"utc_offset_minutes": 60.0}, TypeError, "UTC farkı dakika cinsinden bir tam sayı ya da None olmalı, float verildi"),
        ({"elevation": "sea"}, ValueError, "Geçersiz yükseklik türü 'sea'. Seçenekler: relative, absolute, gps, ultrasonic, home"),
    ],
)
def test_invalid_values_name_the_choices(converter, kwargs, error, message):
    with pytest.raises(error) as info:
        converter.ConversionOptions(**kwargs)
    assert str(info.value) == message


@pytest.mark.parametrize(
    "name, value, error",
    [("sample_mode", "hourly", ValueError), ("formats", ("kmz",), ValueError),
     ("utc_offset_minutes", 10000, ValueError), ("elevation", 3, TypeError)],
)
def test_assignment_is_checked_and_keeps_the_old_value(converter, name, value, error):
    o = converter.ConversionOptions(sample_mode="all")
    before = getattr(o, name)
    with pytest.raises(error):
        setattr(o, name, value)
    assert getattr(o, name) == before


def test_keywords_only_and_value_equality(converter):
    with pytest.raises(TypeError):
        converter.ConversionOptions("all")
    with pytest.raises(TypeError):
        converter.ConversionOptions(mode="all")
    a = converter.ConversionOptions(sample_mode="5s", formats=["nmea"])
    b = converter.ConversionOptions(sample_mode="5s")
    assert a != b
    b.formats = ("nmea",)
    assert a == b
    with pytest.raises(TypeError):
        hash(a)
