#include "controls/ui/spinconversion.h"

#include "controls/ui/kvspinbutton.h"

namespace kv {

void AttachConversion(KVSpinButton* spin, std::function<std::optional<int32_t>(const std::string&)> parse,
                      std::function<std::string(int32_t)> format, int32_t unitsPerStep)
{
    if (spin == nullptr)
        return;
    QObject::connect(spin, &KVSpinButton::notify, spin,
                     [spin, parse = std::move(parse), format = std::move(format), unitsPerStep](int code) {
                         if (code == spin::kConvertText) {
                             const std::optional<int32_t> value =
                                 spin->Edit() != nullptr ? parse(spin->Edit()->text().toStdString())
                                                         : std::optional<int32_t>();
                             // The step is taken over here so that it counts in units.
                             const int64_t stepped =
                                 int64_t(value.value_or(0)) + int64_t(spin->PendingStep()) * unitsPerStep;
                             spin->SetPendingStep(0);
                             const bool fits = stepped >= INT32_MIN && stepped <= INT32_MAX;
                             spin->SetConverted(value.has_value() && fits, int32_t(fits ? stepped : 0));
                         } else if (code == spin::kWriteText && spin->Edit() != nullptr) {
                             spin->Edit()->setText(QString::fromStdString(format(spin->StoredValue())));
                             spin->Edit()->selectAll();
                         }
                     });
}

}  // namespace kv
