// The engine's warning codes worded for the user.
#include "bindings.hpp"

#include <string>

namespace trakvia::converter {

namespace {

using engine::WarningCode;

// " (ilki 123. satırda)" when the line is known.
std::string first_line(const engine::ConvertWarning& w) {
    return w.first_line ? " (ilki " + std::to_string(w.first_line) + ". satırda)" : std::string();
}

std::string format_name(const std::string& extension) {
    std::string name = extension.empty() || extension[0] != '.' ? extension : extension.substr(1);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return name;
}

std::string text_of(const engine::ConvertWarning& w) {
    const std::string n = std::to_string(w.count);
    switch (w.code) {
        case WarningCode::no_valid_position:
            return "Dosyada geçerli konum yok; iz dosyası yazılmadı.";
        case WarningCode::invalid_positions:
            return n + " kayıtta geçersiz konum vardı (N/A, 0/0 ya da eksik); atlandı" + first_line(w) + ".";
        case WarningCode::jumps_dropped:
            return n + " konum, imkânsız bir sıçrama olduğu için atlandı" + first_line(w) + ".";
        case WarningCode::track_split:
            return "İz " + n + " parçaya bölündü (kayıt yeniden başlıyor ya da konum kesiliyor)" + first_line(w) + ".";
        case WarningCode::zone_lookup_failed:
            return "Uçuşun saat dilimi konumdan bulunamadı; bilgisayarın saat dilimi kullanıldı.";
        case WarningCode::computer_zone_unknown:
            return "Bilgisayarın saat dilimi belirlenemedi; yerel saatler UTC kabul edildi.";
        case WarningCode::fpv_altitude_scaled:
            return "DJI FPV yüksekliği 10 ile çarpıldı (cihaz onda birini yazıyor).";
        case WarningCode::untimed_points_kept:
            return n + " nokta zamanı olmadığı için örneklemeden geçirilmeden tutuldu.";
        case WarningCode::elevation_kind_missing:
            return "İstenen yükseklik türü dosyada yok: " + w.detail + ".";
        case WarningCode::format_skipped_no_dates:
            return format_name(w.detail) + " dosyası yazılmadı: izin tarihsiz noktaları var ve bu biçim her nokta için tarih ister.";
    }
    return engine::warning_code_name(w.code);
}

}  // namespace

nb::str warning_text(const engine::ConvertWarning& warning) {
    const std::string text = text_of(warning);
    return nb::str(text.c_str(), text.size());
}

}  // namespace trakvia::converter
