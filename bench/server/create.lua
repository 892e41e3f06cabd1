-- POST a delivery note with three items, as the client sends it.
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json; charset=utf-8"
wrk.body = '{"no":"SHD20261206120000","customer":"深圳市光年装饰工程有限公司","project":"万科城市花园三期",' ..
  '"contact":"陈工","contactPhone":"13612345678","address":"深圳市龙岗区坂田街道","remark":"按图纸分区摆放",' ..
  '"date":"2026-12-06","status":"待送达","userId":"' .. os.getenv("NV_USER") .. '","items":[' ..
  '{"product":"LED线条灯","model":"XT-1200","length":"1.2m","wattage":"36W","brightness":"单亮","sensorMode":"雷达感应","quantity":120,"unit":"条","price":58.00},' ..
  '{"product":"LED投光灯","model":"TG-50W","length":"","wattage":"50W","brightness":"单亮","sensorMode":"无","quantity":16,"unit":"个","price":145.50},' ..
  '{"product":"LED灯带","model":"NV-2835","length":"5m","wattage":"12W","brightness":"双亮","sensorMode":"无","quantity":2.50,"unit":"卷","price":39.90}]}'
