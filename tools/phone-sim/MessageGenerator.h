#pragma once

#include "SimMessage.h"

#include <QHash>
#include <QList>
#include <QString>

namespace phonesim {

// Makes message i of a phone's store from (seed, i) alone, so a store of a million
// messages never has to be held in memory. Dates rise with i and never share a second.
class MessageGenerator
{
public:
    MessageGenerator(quint64 seed, int contacts, qint64 count, int dupEvery);

    qint64 count() const { return m_count; }
    SimMessage message(qint64 index) const;
    // A newly received message for the listener, from one of the same contacts.
    SimMessage incoming(qint64 pushIndex, qint64 nowMs) const;
    // The contact name the phone would show for an address, or empty.
    QString personFor(const QString& address) const;

private:
    enum class Kind
    {
        Mobile,
        Landline,
        ShortCode,
        Service,
        Foreign
    };
    struct Contact
    {
        Kind kind = Kind::Mobile;
        QString person;
        QString countryCode; // foreign numbers only
        QString area;        // mobile prefix or area code, without the trunk 0
        QString subscriber;
        QString fixed;            // short code or service name
        QList<QString> notations; // the address in each notation, made once
    };
    // Ways of writing one contact's number (+49 170 ..., 0170-..., ...).
    static constexpr int NOTATIONS = 6;

    Contact makeContact(int index) const;
    int pickContact(quint64 random) const;
    SimMessage compose(const Contact& contact, quint64 state, qint64 dateMs) const;
    static QString notation(const Contact& contact, quint64 random);
    static QString chatBody(quint64& state);
    static QString serviceBody(const Contact& contact, quint64& state);
    static QString digitKey(const QString& address);

    quint64 m_seed;
    qint64 m_count;
    int m_dupEvery;
    qint64 m_stepMs;
    QList<Contact> m_contacts;
    QHash<QString, QString> m_personByDigits;
};

} // namespace phonesim
