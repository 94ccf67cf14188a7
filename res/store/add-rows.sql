-- What a storing job that deferred the triggers (WriteTransaction::deferDerivedRows) adds at its
-- commit: every message after row id ?1 reaches the summary, the numbers and the search index as
-- the insert triggers of 2-summary.sql, 4-numbers.sql and 1-search-index.sql would have added
-- it, one statement each (grouping them first made SQLite sort them all in memory). ("+": read
-- by row id, as many as are new, rather than along an index of the whole table.)

-- Conversations with a key.
INSERT INTO sms_summary(suffix, last_date, message_count, person, address, first_person_id,
    first_person)
    SELECT suffix, date, 1, person, address, CASE WHEN person <> '' THEN sms_id END, CASE WHEN
        person <> '' THEN person END
    FROM sms
    WHERE sms_id > ?1 AND +suffix IS NOT NULL
    ON CONFLICT(suffix)
    DO UPDATE SET message_count = message_count + 1,
        last_date = CASE WHEN excluded.last_date IS NOT NULL AND (last_date IS NULL OR
            excluded.last_date > last_date) THEN excluded.last_date ELSE last_date END,
        person = CASE WHEN excluded.person IS NOT NULL AND (person IS NULL OR excluded.person >
            person) THEN excluded.person ELSE person END,
        address = CASE WHEN excluded.address IS NOT NULL AND (address IS NULL OR excluded.address >
            address) THEN excluded.address ELSE address END,
        first_person = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS NULL
            OR excluded.first_person_id < first_person_id) THEN excluded.first_person ELSE
            first_person END,
        first_person_id = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS
            NULL OR excluded.first_person_id < first_person_id) THEN excluded.first_person_id ELSE
            first_person_id END;

-- The messages without a key of the job at once: their row, then their values merged.
INSERT OR IGNORE INTO sms_summary(suffix, message_count)
    SELECT NULL, 0
    WHERE EXISTS (SELECT 1 FROM sms WHERE sms_id > ?1 AND suffix IS NULL) AND NOT EXISTS (SELECT 1
        FROM sms_summary WHERE suffix IS NULL);

UPDATE sms_summary
    SET message_count = message_count + n.n_count,
        last_date = CASE WHEN n.n_date IS NOT NULL AND (last_date IS NULL OR n.n_date > last_date)
            THEN n.n_date ELSE last_date END,
        person = CASE WHEN n.n_person IS NOT NULL AND (person IS NULL OR n.n_person > person) THEN
            n.n_person ELSE person END,
        address = CASE WHEN n.n_address IS NOT NULL AND (address IS NULL OR n.n_address > address)
            THEN n.n_address ELSE address END,
        first_person = CASE WHEN n.n_first_id IS NOT NULL AND (first_person_id IS NULL OR
            n.n_first_id < first_person_id) THEN n.n_first_person ELSE first_person END,
        first_person_id = CASE WHEN n.n_first_id IS NOT NULL AND (first_person_id IS NULL OR
            n.n_first_id < first_person_id) THEN n.n_first_id ELSE first_person_id END
    FROM (SELECT count(*) AS n_count, max(date) AS n_date, max(person) AS n_person, max(address) AS
        n_address, min(CASE WHEN person <> '' THEN sms_id END) AS n_first_id, NULL AS n_first_person
        FROM sms WHERE sms_id > ?1 AND suffix IS NULL) AS n
    WHERE sms_summary.suffix IS NULL AND n.n_count > 0;

-- The group leaves the first name to this: the one of its row id.
UPDATE sms_summary
    SET first_person = (SELECT person FROM sms WHERE sms_id = first_person_id)
    WHERE suffix IS NULL AND first_person_id > ?1;

INSERT INTO sms_numbers(address, message_count)
    SELECT address, 1
    FROM sms
    WHERE sms_id > ?1 AND +address IS NOT NULL
    ON CONFLICT(address)
    DO UPDATE SET message_count = message_count + 1;

INSERT INTO sms_fts(rowid, body)
    SELECT sms_id, body
    FROM sms
    WHERE sms_id > ?1;
