#pragma once

#include "app/UserPrompts.h"
#include "encode/EncodeEngine.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Stands in for the user at the wizard's dialogs: records every message and
// answers from its fields.
class CFakePrompts final : public CUserPrompts {
public:
    struct SMessage {
        QMessageBox::Icon icon;
        QString caption, text;
    };

    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons) override {
        // Whether to replace an existing video is asked before each render
        // over one: answered apart, so the other messages stay countable.
        if (text.contains("already exists")) {
            ++replaceQuestions;
            return realMessages ? CUserPrompts::Message(parent, icon, caption, text, buttons)
                                : replaceAnswer;
        }
        messages.push_back({icon, caption, text});
        if (onMessage)
            onMessage(messages.back());
        return realMessages ? CUserPrompts::Message(parent, icon, caption, text, buttons) : answer;
    }
    QStringList OpenFiles(QWidget*, const QString& folder, const QString& filter) override {
        openFolder = folder;
        openFilter = filter;
        ++openCalls;
        return files;
    }
    QString SaveFile(QWidget*, const QString& folder, const QString& filter) override {
        saveFolder = folder;
        saveFilter = filter;
        return saveFile;
    }
    bool ChooseAviCodecs(QWidget* parent, bool withAudio, std::string& video,
                         std::string& audio) override {
        ++codecCalls;
        if (realCodecChoice)
            return CUserPrompts::ChooseAviCodecs(parent, withAudio, video, audio);
        video = videoCodec;
        audio = audioCodec;
        return codecsChosen;
    }
    bool OpenWithDesktop(const QString& path) override {
        opened.push_back(path);
        return true;
    }

    std::vector<SMessage> messages;
    std::function<void(const SMessage&)> onMessage;
    QMessageBox::StandardButton answer = QMessageBox::No;
    bool realMessages = false; // show Qt's boxes and return what the user pressed
    QStringList files;
    QString openFolder, openFilter;
    int openCalls = 0;
    QString saveFile, saveFolder, saveFilter;
    int replaceQuestions = 0;
    QMessageBox::StandardButton replaceAnswer = QMessageBox::Yes;
    bool codecsChosen = true;
    bool realCodecChoice = false; // show the encoder dialog
    int codecCalls = 0;
    std::string videoCodec = "mpeg4", audioCodec = "mp2";
    std::vector<QString> opened;
};

// An engine that reports progress in steps of ten and ends as told: done,
// failed (with or without a reason), or cancelled when asked to stop. With
// holdAt it waits at that percent until asked to stop.
class CFakeEngine final : public IEncodeEngine {
public:
    explicit CFakeEngine(int result, std::string error = {}, int holdAt = -1)
        : m_result(result), m_error(std::move(error)), m_holdAt(holdAt) {}

    int Encode(IVideoSrc*, IAudioSrc* audio, const std::string&, IProgress* progress) override {
        hadAudio = audio != nullptr;
        for (int percent = 0; percent <= 100; percent += 10) {
            if (!progress->OnProgress(percent))
                return kCancelled;
            while (percent == m_holdAt) {
                if (!progress->OnProgress(percent))
                    return kCancelled;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return m_result;
    }
    [[nodiscard]] std::string GetErrorText() const override { return m_error; }

    std::atomic<bool> hadAudio{false};

private:
    int m_result;
    std::string m_error;
    int m_holdAt;
};
