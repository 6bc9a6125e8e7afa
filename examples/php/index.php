<?php
// The examples' index: a badge drawn from a form, a chart, and the two upload pages.
header('Content-Type: text/html; charset=utf-8');
?>
<!doctype html>
<html><head><meta charset="utf-8"><title>Vellumax examples in PHP</title></head>
<body>
<h1>Vellumax examples in PHP</h1>
<form action="/" method="get" id="badge-form">
  <label>Label <input name="label" value="build"></label>
  <label>Value <input name="value" value="passing"></label>
  <label>Colour <input name="color" value="#44cc11"></label>
  <button type="button" onclick="showBadge()">Draw badge</button>
</form>
<p><img id="badge" alt="badge" src="/badge.php?label=build&amp;value=passing&amp;color=%2344cc11"></p>
<p><img id="chart" alt="chart" src="/chart.php?values=3,7,2,9&amp;labels=Mon,Tue,Wed,Thu"></p>
<p><a id="upload" href="/upload.php">Upload a picture</a> (read by PHP) or
   <a id="upload-raw" href="/raw/upload.php">upload one read by XMultipart</a>: its facts and a thumbnail.</p>
<script>
function showBadge() {
  const q = new URLSearchParams(new FormData(document.getElementById('badge-form')));
  document.getElementById('badge').src = '/badge.php?' + q;
}
</script>
</body></html>
