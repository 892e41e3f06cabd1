-- POST a balanced voucher with a new number each time.
local counter = 0
local thread_id = 0
local threads = {}
function setup(thread)
  thread:set("tid", #threads)
  table.insert(threads, thread)
end
request = function()
  counter = counter + 1
  local body = '{"voucherNo":"B' .. tid .. '-' .. counter .. '","date":"2026-12-06","summary":"销售收款",' ..
    '"lines":[{"summary":"收款","account":"1002 银行存款","debit":1234.56,"credit":0.00},' ..
    '{"summary":"收入","account":"5001 主营业务收入","debit":0.00,"credit":1234.56}]}'
  return wrk.format("POST", nil, {["Content-Type"] = "application/json; charset=utf-8",
    ["Authorization"] = "Bearer " .. os.getenv("NV_TOKEN")}, body)
end
