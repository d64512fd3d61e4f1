#include "NmeaStreamSource.h"

#include <QDateTime>

namespace vantrel::positioning {

NmeaStreamSource::NmeaStreamSource(Transport transport, QString address, int number, QObject* parent)
    : PositionSource(parent), transport_(transport), address_(std::move(address)), number_(number) {
    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(kReconnectMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &NmeaStreamSource::open);
    silenceTimer_.setSingleShot(true);
    silenceTimer_.setInterval(kSilenceMs);
    connect(&silenceTimer_, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no data for %1 s").arg(kSilenceMs / 1000)); });
    link_ = std::make_unique<StreamLink>(transport_, address_, number_, [this](QByteArrayView bytes) { digest(bytes); });
    connect(link_.get(), &StreamLink::digested, this, &NmeaStreamSource::deliver);
    connect(link_.get(), &StreamLink::failed, this, &NmeaStreamSource::fail);
}

NmeaStreamSource::~NmeaStreamSource() = default;

QString NmeaStreamSource::description() const {
    switch (transport_) {
    case Transport::Serial: return QStringLiteral("NMEA on %1 at %2 baud").arg(address_).arg(number_);
    case Transport::Tcp: return QStringLiteral("NMEA from %1:%2 (TCP)").arg(address_).arg(number_);
    case Transport::Udp: return QStringLiteral("NMEA on UDP port %1").arg(number_);
    }
    return {};
}

QString NmeaStreamSource::name() const {
    switch (transport_) {
    case Transport::Serial: return QStringLiteral("nmea:%1@%2").arg(address_).arg(number_);
    case Transport::Tcp: return QStringLiteral("tcp:%1:%2").arg(address_).arg(number_);
    case Transport::Udp: return QStringLiteral("udp:%1").arg(number_);
    }
    return {};
}

void NmeaStreamSource::startUpdatingLocation() {
    if (started_) return;
    started_ = true;
    setWaiting();
    open();
}

void NmeaStreamSource::open() {
    silenceTimer_.start();
    const QString error = link_->open([this] {
        // A fresh parser for each connection, made on the link's thread, the one that uses it.
        parser_ = std::make_unique<NmeaParser>(description(), QDateTime::currentDateTimeUtc().date());
    });
    if (!error.isEmpty()) fail(error);
}

bool NmeaStreamSource::setMessageReader(std::shared_ptr<MessageReader> reader) {
    std::lock_guard lock(mutex_);
    reader_ = std::move(reader);
    return true;
}

void NmeaStreamSource::digest(QByteArrayView bytes) {
    parser_->addData(bytes);
    NmeaParser::Output output = parser_->takeOutput();
    std::shared_ptr<MessageReader> reader;
    {
        std::lock_guard lock(mutex_);
        reader = reader_;
    }
    const bool read = reader && !output.otherSentences.empty();
    if (reader) {
        for (const NmeaOtherSentence& sentence : output.otherSentences) reader->read(sentence.line);
        output.otherSentences.clear();
    }
    std::lock_guard lock(mutex_);
    Pending& p = pending_;
    const size_t epochsBefore = p.output.epochs.size();
    for (NmeaOtherSentence& sentence : output.otherSentences)
        p.output.otherSentences.push_back({std::move(sentence.line), sentence.epochsBefore + epochsBefore});
    for (NmeaEpoch& epoch : output.epochs) p.output.epochs.push_back(std::move(epoch));
    p.garbage |= parser_->consecutiveBadLines() >= kGarbageLines;
    p.messagesRead |= read;
}

void NmeaStreamSource::deliver() {
    Pending p;
    {
        std::lock_guard lock(mutex_);
        p = std::exchange(pending_, {});
    }
    if (!reconnectTimer_.isActive()) silenceTimer_.start();  // not for what a failed link read last
    const NmeaParser::Output& output = p.output;
    size_t other = 0;
    for (size_t i = 0; i <= output.epochs.size(); ++i) {
        // The proprietary sentences that came before this epoch go first.
        for (; other < output.otherSentences.size() && output.otherSentences[other].epochsBefore <= i; ++other)
            deliverUnusedMessage(output.otherSentences[other].line);
        if (i == output.epochs.size()) break;
        const NmeaEpoch& epoch = output.epochs[i];
        if (epoch.fix)
            deliverFix(*epoch.fix);
        else if (hasDeliveredFix())
            deliverFailure(QStringLiteral("the receiver has no fix"));
    }
    if (p.garbage) deliverFailure(QStringLiteral("no valid NMEA sentences (wrong baud rate, or not an NMEA stream?)"));
    if (p.messagesRead) emit unusedMessagesRead();
}

void NmeaStreamSource::fail(const QString& error) {
    link_->close();
    silenceTimer_.stop();
    deliverFailure(error);
    reconnectTimer_.start();
}

}  // namespace vantrel::positioning
