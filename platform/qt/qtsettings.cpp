#include "platform/qt/qtsettings.h"

#include <QSettings>

namespace kv {
namespace {

QString Path(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section + "/" + key);
}

}  // namespace

QtSettings::QtSettings() = default;
QtSettings::QtSettings(const std::string& folder) : m_folder(folder) {}
QtSettings::~QtSettings()
{
    Sync();
}

QSettings& QtSettings::For(const std::string& app) const
{
    auto& file = m_files[app];
    if (!file) {
        if (m_folder.empty())
            file = std::make_unique<QSettings>(kCompanyKey, QString::fromStdString(app));
        else
            file = std::make_unique<QSettings>(QString::fromStdString(m_folder + "/" + app + ".conf"),
                                               QSettings::IniFormat);
    }
    return *file;
}

int QtSettings::GetInt(const std::string& app, const std::string& section, const std::string& key,
                       int def) const
{
    bool ok = false;
    int v = For(app).value(Path(section, key)).toInt(&ok);
    return ok ? v : def;
}

std::string QtSettings::GetString(const std::string& app, const std::string& section, const std::string& key,
                                  const std::string& def) const
{
    QVariant v = For(app).value(Path(section, key));
    // QSettings reads an unquoted value with commas, as typed by hand
    // ("Config=D2,1"), as a list; the program wants the text as written.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(',').toStdString();
    return v.isValid() ? v.toString().toStdString() : def;
}

bool QtSettings::GetBinary(const std::string& app, const std::string& section, const std::string& key,
                           std::vector<uint8_t>& out) const
{
    out.clear();
    QVariant v = For(app).value(Path(section, key));
    if (v.typeId() != QMetaType::QByteArray)
        return false;
    QByteArray bytes = v.toByteArray();
    out.assign(bytes.begin(), bytes.end());
    return true;
}

bool QtSettings::Has(const std::string& app, const std::string& section, const std::string& key) const
{
    return For(app).contains(Path(section, key));
}

bool QtSettings::WriteInt(const std::string& app, const std::string& section, const std::string& key,
                          int value)
{
    For(app).setValue(Path(section, key), value);
    return true;
}

bool QtSettings::WriteString(const std::string& app, const std::string& section, const std::string& key,
                             const std::string& value)
{
    For(app).setValue(Path(section, key), QString::fromStdString(value));
    return true;
}

bool QtSettings::WriteBinary(const std::string& app, const std::string& section, const std::string& key,
                             const std::vector<uint8_t>& value)
{
    For(app).setValue(Path(section, key),
                      QByteArray(reinterpret_cast<const char*>(value.data()), qsizetype(value.size())));
    return true;
}

bool QtSettings::DeleteKey(const std::string& app, const std::string& section, const std::string& key)
{
    For(app).remove(Path(section, key));
    return true;
}

bool QtSettings::DeleteSection(const std::string& app, const std::string& section)
{
    For(app).remove(QString::fromStdString(section));
    return true;
}

void QtSettings::Sync()
{
    for (auto& [app, file] : m_files)
        file->sync();
}

}  // namespace kv
