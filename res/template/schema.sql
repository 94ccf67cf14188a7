CREATE TABLE [sms] ([sms_id] INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, [address] TEXT NULL, [person] TEXT NULL, [date] NUMERIC NULL, [is_send] BOOLEAN NULL, [body] TEXT NULL, [suffix] TEXT NULL);
CREATE INDEX [index_address] ON [sms]([address] ASC);
CREATE INDEX [index_person] ON [sms]([person] ASC);
CREATE INDEX [index_suffix] ON [sms]([suffix] ASC);
CREATE VIEW [view_sms] AS select s.sms_id, s.address, s.date, s.is_send, s.body, s.suffix, p.person as [person] from sms s left join view_contacts p on s.suffix == p.suffix;
CREATE VIEW [view_contacts] AS select t1.suffix as [suffix], (select t2.address from sms as t2 where t1.suffix = t2.suffix and t2.address is not null and t2.address <> '' limit 0, 1) as [address], (select t3.person from sms as t3 where t1.suffix = t3.suffix and t3.person is not null and t3.person <> '' limit 0,1) as [person] from sms as t1 group by suffix;
-- Serves the duplicate check (same date, address, body and direction) so that storing a
-- message costs the same however long its conversation is.
CREATE INDEX [index_address_date] ON [sms]([address] ASC, [date] ASC);
