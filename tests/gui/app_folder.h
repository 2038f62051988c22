#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <string>

// A throw-away application folder with its data folder, for one window.
class AppFolder
{
public:
    AppFolder() { renew(); }

    // Starts over in a new, empty folder.
    void renew()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QDir(dir_->path()).mkpath(QStringLiteral("dane/cytaty"));
    }

    std::string path() const { return dir_->path().toStdString() + "/"; }
    QString file(const QString& relative) const { return dir_->filePath(relative); }

    void write(const QString& relative, const QByteArray& bytes) const
    {
        QDir(dir_->path()).mkpath(QFileInfo(file(relative)).path());
        QFile out(file(relative));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
    }
    void writeQuotes(const QByteArray& bytes) const
    {
        write(QStringLiteral("dane/cytaty/cytaty.dbc"), bytes);
    }
    QByteArray read(const QString& relative) const
    {
        QFile in(file(relative));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
#ifdef TAVIR_DATA_DIR
    // The build's Polish dictionary in this data folder, as the word search reads it.
    void addDictionary() const
    {
        QDir(dir_->path()).mkpath(QStringLiteral("dane"));
        QFile::link(QStringLiteral(TAVIR_DATA_DIR "/slownik"),
                    file(QStringLiteral("dane/slownik")));
    }
#endif
    bool exists(const QString& relative) const
    {
        return QFileInfo::exists(file(relative));
    }
    QString settingsFile() const
    {
        return file(QStringLiteral("dane/konfiguracja.ini"));
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
};
