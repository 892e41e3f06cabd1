// The tables of the catalog and of a shard on PostgreSQL: the same columns as on SQLite, ids from
// sequences, money in integer cents, and the uniqueness rules as constraints.
#pragma once

namespace srv {

inline constexpr const char* kPgCatalogSchema = R"SQL(
CREATE TABLE IF NOT EXISTS orgs(
  id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS users(
  id BIGSERIAL PRIMARY KEY, account TEXT NOT NULL UNIQUE, password_hash TEXT NOT NULL,
  user_type TEXT NOT NULL, username TEXT NOT NULL, phone TEXT NOT NULL,
  org_id BIGINT NOT NULL REFERENCES orgs(id), is_admin INTEGER NOT NULL DEFAULT 0,
  is_operator INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS notes(
  id BIGSERIAL PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),
  no TEXT NOT NULL, customer TEXT NOT NULL, project TEXT NOT NULL, address TEXT NOT NULL,
  contact TEXT NOT NULL, contact_phone TEXT NOT NULL, date TEXT NOT NULL, status TEXT NOT NULL,
  remark TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS notes_by_user ON notes(user_id, id);
CREATE TABLE IF NOT EXISTS note_items(
  note_id BIGINT NOT NULL REFERENCES notes(id) ON DELETE CASCADE, pos INTEGER NOT NULL,
  product TEXT NOT NULL, model TEXT NOT NULL, length TEXT NOT NULL, wattage TEXT NOT NULL,
  brightness TEXT NOT NULL, sensor_mode TEXT NOT NULL, unit TEXT NOT NULL,
  quantity TEXT NOT NULL, price TEXT NOT NULL, PRIMARY KEY(note_id, pos));
CREATE TABLE IF NOT EXISTS shards(
  id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL, max_tenants BIGINT NOT NULL, dsn TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS tenants(
  id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL, code TEXT NOT NULL,
  shard_id BIGINT NOT NULL REFERENCES shards(id), org_id BIGINT NOT NULL REFERENCES orgs(id));
CREATE UNIQUE INDEX IF NOT EXISTS tenants_code ON tenants(code) WHERE code <> '';
CREATE TABLE IF NOT EXISTS tokens(
  hash TEXT PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),
  expires_at BIGINT NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(
  hash TEXT PRIMARY KEY, user_id BIGINT NOT NULL REFERENCES users(id),
  expires_at BIGINT NOT NULL);
CREATE TABLE IF NOT EXISTS releases(
  id BIGSERIAL PRIMARY KEY, version TEXT NOT NULL, file TEXT NOT NULL);
)SQL";

inline constexpr const char* kPgShardSchema = R"SQL(
CREATE TABLE IF NOT EXISTS vouchers(
  id BIGSERIAL PRIMARY KEY, tenant_id BIGINT NOT NULL, voucher_no TEXT NOT NULL,
  date TEXT NOT NULL, summary TEXT NOT NULL, total_debit BIGINT NOT NULL,
  total_credit BIGINT NOT NULL, UNIQUE(tenant_id, voucher_no));
CREATE TABLE IF NOT EXISTS voucher_lines(
  voucher_id BIGINT NOT NULL REFERENCES vouchers(id) ON DELETE CASCADE, pos INTEGER NOT NULL,
  summary TEXT NOT NULL, account TEXT NOT NULL, debit BIGINT NOT NULL, credit BIGINT NOT NULL,
  PRIMARY KEY(voucher_id, pos));
)SQL";

}  // namespace srv
