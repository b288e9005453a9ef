// The page's script: sends the page's events with the values of its inputs, puts the answered form
// in place, shows queued messages, runs start-up scripts and starts timers and downloads.
#include "platform/web/Server.h"

namespace web {

const std::string& ClientScript() {
  static const std::string js = R"JS('use strict';
var IW = (function () {
  var token = '', formKey = '', limit = 0, queue = [], busy = false, sent = {}, timers = [], messages = [];
  var ended = false;

  function form() { return document.getElementById('iwForm'); }
  function keyOf(el) { return el.getAttribute('data-k'); }
  function valueOf(el) {
    if (el.type === 'checkbox' || el.type === 'radio') return el.checked ? '1' : '0';
    if (el.tagName === 'SELECT') return String(el.selectedIndex);
    return el.value;
  }
  function setValue(el, v) {
    if (el.type === 'checkbox' || el.type === 'radio') el.checked = v === '1';
    else if (el.tagName === 'SELECT') el.selectedIndex = parseInt(v, 10);
    else el.value = v;
  }
  // The values of the page's inputs as they stand.
  function snapshot() {
    var snap = {}, els = form().querySelectorAll('[data-v]');
    for (var i = 0; i < els.length; i++) snap[keyOf(els[i])] = valueOf(els[i]);
    return snap;
  }
  function isText(el) { return el.tagName === 'TEXTAREA' || el.type === 'text' || el.type === 'password'; }
  function shiftOf(e) { return (e.shiftKey ? 's' : '') + (e.altKey ? 'a' : '') + (e.ctrlKey || e.metaKey ? 'c' : ''); }
  // A value the page had when it sent `base`, carried over the server's answer `server`: unchanged
  // it takes the server's value; text typed on after it stays behind the server's value.
  function rebase(el, value, base, server) {
    if (value === base) return server;
    if (isText(el) && typeof value === 'string' && value.indexOf(base) === 0) return server + value.slice(base.length);
    return value;
  }

  // Each event carries the page's values as they were when it happened.
  function post(ev) { if (ended) return; ev.snap = snapshot(); queue.push(ev); pump(); }
  function pump() {
    if (ended || busy || !queue.length) return;
    var ev = queue.shift(), body = ev.file ? new FormData() : new URLSearchParams(), k;
    if (ev.file) body.append('file', ev.file, ev.file.name);
    body.append('s', token);
    body.append('fk', formKey);
    body.append('w', String(document.documentElement.clientWidth));
    body.append('ck', document.cookie);
    for (k in ev) if (k !== 'file' && k !== 'snap') body.append(k, ev[k]);
    for (k in ev.snap) body.append('v' + k, ev.snap[k]);
    sent = ev.snap;
    busy = true;
    document.documentElement.classList.add('iwBusy');
    fetch(ev.file ? '/upload' : '/event', { method: 'POST', body: body, credentials: 'same-origin' })
      .then(function (r) {
        if (r.ok) return r.json().then(apply);
        var type = r.headers.get('Content-Type') || '';
        return r.text().then(function (text) {
          // The session has ended, or the server is busy: the server's own page replaces this one.
          if ((r.status === 410 || r.status === 503) && type.indexOf('text/html') === 0) { showPage(text); return; }
          throw new Error(type.indexOf('text/plain') === 0 && text ? text
            : 'The server could not handle the request (' + r.status + ').');
        });
      })
      .catch(function (e) {
        message(e instanceof TypeError ? 'The server cannot be reached.' : (e && e.message) || String(e));
      })
      .then(function () {
        busy = false;
        sent = {};
        document.documentElement.classList.remove('iwBusy');
        pump();
      });
  }

  function showPage(html) {
    ended = true;
    queue = [];
    timers.forEach(clearTimeout);
    timers = [];
    document.open();
    document.write(html);
    document.close();
  }

  function apply(r) {
    token = r.s;
    formKey = r.fk;
    if (typeof r.html === 'string') replaceForm(r.html);
    document.title = r.title;
    document.body.style.backgroundColor = r.bg || '';
    prepare();
    extras(r);
  }

  function replaceForm(html) {
    var old = form(), now = snapshot(), has = Object.prototype.hasOwnProperty;
    var a = document.activeElement, fk = a && old.contains(a) ? keyOf(a) : null, s0 = null, s1 = null;
    if (fk) { try { s0 = a.selectionStart; s1 = a.selectionEnd; } catch (e) { s0 = null; } }
    var t = document.createElement('template');
    t.innerHTML = html;
    var nf = t.content.firstElementChild;
    old.parentNode.replaceChild(nf, old);
    initSelects(nf);
    restoreScroll(nf);
    // What the user did while the request was on its way stays, on top of the server's values.
    var els = nf.querySelectorAll('[data-v]');
    for (var i = 0; i < els.length; i++) {
      var el = els[i], k = keyOf(el);
      if (!has.call(sent, k)) continue;
      var server = valueOf(el);
      if (has.call(now, k) && now[k] !== sent[k]) setValue(el, rebase(el, now[k], sent[k], server));
      for (var q = 0; q < queue.length; q++) {
        var snap = queue[q].snap;
        if (snap && has.call(snap, k)) snap[k] = rebase(el, snap[k], sent[k], server);
      }
    }
    if (fk) {
      var ne = nf.querySelector('[data-k="' + fk + '"]');
      if (ne && !ne.disabled && ne.getClientRects().length) {
        ne.focus();
        if (s0 !== null) { try { ne.setSelectionRange(s0, s1); } catch (e) { /* not a text input */ } }
      }
    }
  }

  // Scrolling regions show where the server says they stand.
  function restoreScroll(root) {
    var r = root.querySelectorAll('[data-st]');
    for (var i = 0; i < r.length; i++) {
      r[i].scrollLeft = parseInt(r[i].getAttribute('data-sl'), 10) || 0;
      r[i].scrollTop = parseInt(r[i].getAttribute('data-st'), 10) || 0;
      r[i].iwPos = Math.round(r[i].scrollLeft) + ',' + Math.round(r[i].scrollTop);
    }
  }

  function initSelects(root) {
    var s = root.querySelectorAll('select[data-none]');
    for (var i = 0; i < s.length; i++) s[i].selectedIndex = -1;
  }

  function prepare() {
    timers.forEach(clearTimeout);
    timers = [];
    var t = form().querySelectorAll('[data-timer]');
    for (var i = 0; i < t.length; i++) {
      (function (el) {
        var k = keyOf(el);
        timers.push(setTimeout(function () { post({ e: 'timer', c: k }); }, parseInt(el.getAttribute('data-timer'), 10)));
      })(t[i]);
    }
  }

  function extras(r) {
    (r.alerts || []).forEach(message);
    if (r.download) {
      var a = document.createElement('a');
      a.href = r.download;
      a.download = '';
      document.body.appendChild(a);
      a.click();
      a.remove();
    }
    (r.init || []).forEach(function (code) {
      try { (new Function(code))(); } catch (e) { message(String(e)); }
    });
  }

  function message(text) {
    messages.push(String(text));
    if (messages.length === 1) showMessage();
  }
  function showMessage() {
    var box = document.getElementById('iwMessage');
    if (!box) {
      box = document.createElement('div');
      box.id = 'iwMessage';
      box.innerHTML = '<div class="iwMessageBox" role="alertdialog"><div class="iwMessageText"></div>' +
        '<button type="button">OK</button></div>';
      box.querySelector('button').addEventListener('click', function () {
        messages.shift();
        if (messages.length) showMessage(); else box.style.display = 'none';
      });
      document.body.appendChild(box);
    }
    box.querySelector('.iwMessageText').textContent = messages[0];
    box.style.display = 'block';
    box.querySelector('button').focus();
  }

  function upload(input) {
    var file = input.files && input.files[0];
    if (!file) return;
    if (limit && file.size > limit) {
      message('The file is too large to upload (at most ' + Math.floor(limit / 1024) + ' KiB).');
    } else {
      post({ e: 'upload', c: keyOf(input), file: file });
    }
    input.value = '';
  }

  document.addEventListener('click', function (e) {
    var f = form();
    if (!f || !(e.target instanceof Element) || !f.contains(e.target)) return;
    var item = e.target.closest('[data-item]');
    if (item) {
      var bar = item.closest('[data-menu]');
      if (bar) post({ e: 'menu', c: keyOf(bar), i: item.getAttribute('data-item') });
      return;
    }
    var node = e.target.closest('[data-node]'), tree = node && node.closest('[data-tree]');
    if (tree) {
      post({ e: node.hasAttribute('data-toggle') ? 'toggle' : 'node', c: keyOf(tree), i: node.getAttribute('data-node') });
      return;
    }
    var pic = e.target.closest('img[data-xy]');
    if (pic) {
      // The point in the picture's own pixels, whatever size the page draws it at.
      var box = pic.getBoundingClientRect(), sx = pic.naturalWidth && box.width ? pic.naturalWidth / box.width : 1;
      var sy = pic.naturalHeight && box.height ? pic.naturalHeight / box.height : 1;
      post({ e: 'click', c: keyOf(pic), x: String(Math.max(0, Math.floor((e.clientX - box.left) * sx))),
        y: String(Math.max(0, Math.floor((e.clientY - box.top) * sy))), sh: shiftOf(e) });
      return;
    }
    var cell = e.target.closest('td'), grid = cell && cell.closest('table[data-cell]');
    if (grid) {
      post({ e: 'cell', c: keyOf(grid), r: String(cell.parentNode.rowIndex), col: String(cell.cellIndex) });
      return;
    }
    var t = e.target.closest('[data-click],[data-js]');
    if (!t || t.disabled) return;
    if (t.hasAttribute('data-js')) {
      var ok;
      try { ok = (new Function(t.getAttribute('data-js'))).call(t); } catch (x) { message(String(x)); ok = false; }
      if (ok === false) { e.preventDefault(); return; }
    }
    if (t.hasAttribute('data-click')) post({ e: 'click', c: keyOf(t) });
  });

  document.addEventListener('change', function (e) {
    var t = e.target, f = form();
    if (!f || !(t instanceof Element) || !f.contains(t)) return;
    if (t.hasAttribute('data-upload')) { upload(t); return; }
    if (!t.hasAttribute('data-change')) return;
    if (t.type === 'radio' && !t.checked) return;
    post({ e: 'change', c: keyOf(t) });
  });

  // A key event goes out once the key has changed the text (its input event), or at its key-up
  // when it changes nothing, so that each carries the text as that key left it.
  var pendingKey = null;
  function flushKey() {
    if (!pendingKey) return;
    var p = pendingKey;
    pendingKey = null;
    post({ e: 'key', c: p.k, which: p.code });
  }
  // Keys the form asked for (data-keys), while no entry has the focus.
  document.addEventListener('keydown', function (e) {
    var f = form(), t = e.target, keys = f && f.getAttribute('data-keys');
    if (!keys || messages.length) return;
    if (t instanceof Element && t.closest('input,textarea,select,[contenteditable]')) return;
    var code = e.keyCode || e.which, want = code + (e.ctrlKey || e.metaKey ? 65536 : 0);
    if (keys.split(',').indexOf(String(want)) < 0) return;
    e.preventDefault();
    post({ e: 'formkey', which: String(code), sh: shiftOf(e) });
  });
  // A paste outside the page's entries goes to the form's paste uploader: a picture as the
  // browser holds it, text as a small text file.
  function pasteFile(file) {
    var f = form(), k = f && f.getAttribute('data-paste');
    if (!k || !file) return;
    if (limit && file.size > limit) message('The pasted content is too large (at most ' + Math.floor(limit / 1024) + ' KiB).');
    else post({ e: 'upload', c: k, file: file });
  }
  function textFile(text) { return new File([text], 'clipboard.txt', { type: 'text/plain' }); }
  document.addEventListener('paste', function (e) {
    var f = form(), t = e.target, d = e.clipboardData;
    if (!f || !f.hasAttribute('data-paste') || !d || messages.length) return;
    if (t instanceof Element && t.closest('input,textarea,select,[contenteditable]')) return;
    var file = null, i;
    for (i = 0; i < d.items.length && !file; i++)
      if (d.items[i].kind === 'file' && /^image\//.test(d.items[i].type)) file = d.items[i].getAsFile();
    if (!file && d.getData('text/plain')) file = textFile(d.getData('text/plain'));
    if (!file) return;
    e.preventDefault();
    pasteFile(file);
  });
  // A paste command clicked: the clipboard is read where the browser lets the page read it.
  window.PasteClipboard = function () {
    var c = navigator.clipboard;
    if (!c || !window.isSecureContext || !c.read) {
      message('Press Ctrl+V over the pages to paste what the browser holds.');
      return false;
    }
    c.read().then(function (items) {
      for (var i = 0; i < items.length; i++) {
        var types = items[i].types, img = types.filter(function (x) { return /^image\//.test(x); })[0];
        if (img) return items[i].getType(img).then(function (b) { pasteFile(new File([b], 'clipboard.png', { type: img })); });
        if (types.indexOf('text/plain') >= 0) return items[i].getType('text/plain').then(function (b) { return b.text(); })
          .then(function (t) { pasteFile(textFile(t)); });
      }
    }).catch(function () { message('Press Ctrl+V over the pages to paste what the browser holds.'); });
    return false;
  };
  document.addEventListener('keydown', function (e) {
    var t = e.target, f = form();
    if (!f || !(t instanceof Element) || !t.matches('input[type=text][data-k],input[type=password][data-k]') ||
        !f.contains(t)) return;
    var code = String(e.keyCode || e.which);
    if (t.hasAttribute('data-key')) {
      flushKey();
      pendingKey = { k: keyOf(t), code: code };
      if (code === '13') { e.preventDefault(); flushKey(); }
    } else if (code === '13' && f.hasAttribute('data-default')) {
      e.preventDefault();
      post({ e: 'default' });
    }
  });
  document.addEventListener('input', function (e) {
    if (pendingKey && e.target instanceof Element && keyOf(e.target) === pendingKey.k) flushKey();
  });
  document.addEventListener('keyup', flushKey);

  // A region's scrolling goes to the server once it has stopped for a moment.
  var scrollTimer = null;
  document.addEventListener('scroll', function (e) {
    var t = e.target, f = form();
    if (!f || !(t instanceof Element) || !t.hasAttribute('data-scroll') || !f.contains(t)) return;
    if (scrollTimer) clearTimeout(scrollTimer);
    scrollTimer = setTimeout(function () {
      scrollTimer = null;
      // A region replaced meanwhile, or put back where the server said, reports nothing.
      var x = Math.round(t.scrollLeft), y = Math.round(t.scrollTop);
      if (!t.isConnected || t.iwPos === x + ',' + y) return;
      t.iwPos = x + ',' + y;
      post({ e: 'scroll', c: keyOf(t), x: String(x), y: String(y) });
    }, 150);
  }, true);

  // Pointer areas of server-drawn pictures: the hint beside the pointer, the status text in its
  // label and the hand over what can be clicked, all in the browser.
  var hintBox = null, hintStatus = null;
  function areaAt(pic, e) {
    if (!pic.iwAreas) {
      try { pic.iwAreas = JSON.parse(pic.getAttribute('data-areas')); } catch (x) { pic.iwAreas = []; }
    }
    var box = pic.getBoundingClientRect(), sx = pic.naturalWidth && box.width ? pic.naturalWidth / box.width : 1;
    var sy = pic.naturalHeight && box.height ? pic.naturalHeight / box.height : 1;
    var x = (e.clientX - box.left) * sx, y = (e.clientY - box.top) * sy, list = pic.iwAreas;
    for (var i = list.length - 1; i >= 0; i--) {
      var a = list[i];
      if (x >= a[0] && x < a[2] && y >= a[1] && y < a[3]) return a;
    }
    return null;
  }
  function showStatus(pic, text) {
    if (hintStatus && (!text || hintStatus.pic !== pic)) { hintStatus.el.textContent = hintStatus.text; hintStatus = null; }
    var id = pic && pic.getAttribute('data-status'), el = id && document.getElementById(id);
    if (!text || !el) return;
    if (!hintStatus) hintStatus = { pic: pic, el: el, text: el.textContent };
    el.textContent = text;
  }
  function showHint(text, e) {
    if (!text) { if (hintBox) hintBox.style.display = 'none'; return; }
    if (!hintBox) {
      hintBox = document.createElement('div');
      hintBox.id = 'iwHint';
      hintBox.setAttribute('role', 'tooltip');
      document.body.appendChild(hintBox);
    }
    hintBox.textContent = text;
    hintBox.style.left = (e.clientX + 4) + 'px';
    hintBox.style.top = (e.clientY + 20) + 'px';
    hintBox.style.display = 'block';
  }
  document.addEventListener('mousemove', function (e) {
    var pic = e.target instanceof Element ? e.target.closest('img[data-areas]') : null;
    var a = pic ? areaAt(pic, e) : null;
    if (pic) pic.style.cursor = a && a[6] ? 'pointer' : 'default';
    showHint(a && a[4], e);
    showStatus(pic, a && a[5]);
  });

  // Text for the browser's clipboard, from a reply to the user's click or key: the clipboard
  // interface where the page may use it, else the older copy command on a hidden text area.
  window.CopyText = function (text) {
    function fallback() {
      var a = document.createElement('textarea');
      a.value = text;
      a.setAttribute('readonly', '');
      a.style.position = 'fixed';
      a.style.left = '-9999px';
      document.body.appendChild(a);
      a.select();
      var ok = false;
      try { ok = document.execCommand('copy'); } catch (x) { ok = false; }
      a.remove();
      if (!ok) message('The browser did not allow the copy.');
    }
    if (navigator.clipboard && window.isSecureContext) navigator.clipboard.writeText(text).catch(fallback);
    else fallback();
  };

  window.NewWindow = function (url, name, options) {
    var w = window.open(url, name, options);
    if (w) { try { w.focus(); } catch (e) { /* another origin */ } }
    return w;
  };

  function boot(r) {
    token = r.s;
    formKey = r.fk;
    limit = r.lim || 0;
    initSelects(form());
    restoreScroll(form());
    prepare();
    extras(r);
  }

  return { boot: boot, post: post, message: message };
})();
)JS";
  return js;
}

const std::string& ClientStyle() {
  static const std::string css = R"CSS(html,body{margin:0;padding:0}
body{font-family:Arial,Helvetica,sans-serif;font-size:10pt}
#iwForm{position:relative;width:100%}
.iw{position:absolute;box-sizing:border-box;margin:0}
.iwCheck{display:flex;align-items:center;gap:4px;white-space:nowrap}
.iwCheck input{margin:0}
.iwFrame{pointer-events:none}
.iwFrame>*{pointer-events:auto}
.iwBusy,.iwBusy *{cursor:progress}
button>img{display:block;margin:auto;pointer-events:none}
button:disabled>img{opacity:.35}
#iwHint{position:fixed;display:none;z-index:2147482000;max-width:400px;padding:2px 5px;background:#ffffe1;border:1px solid #767676;font-size:9pt;white-space:pre-wrap;pointer-events:none}
[data-tree] ul{list-style:none;margin:0;padding-left:14px}
[data-tree]>ul{padding-left:2px}
.iwTwist{display:inline-block;width:12px;cursor:pointer;user-select:none}
.iwNode{cursor:pointer;white-space:nowrap}
.iwNode.iwSel{background:#3399ff;color:#fff}
[data-menu]{display:flex;background:#f0f0f0;user-select:none}
.iwMenuTop{position:relative;padding:2px 10px}
.iwMenuTop:hover{background:#dde}
.iwMenuDrop{display:none;position:absolute;left:0;top:100%;background:#fff;border:1px solid #999;min-width:160px;z-index:100000}
.iwMenuTop:hover>.iwMenuDrop{display:block}
.iwMenuItem{display:block;padding:3px 10px;white-space:nowrap}
.iwMenuItem:hover{background:#dde}
[data-item]{cursor:pointer}
#iwMessage{position:fixed;left:0;top:0;right:0;bottom:0;background:rgba(0,0,0,.2);z-index:2147483000;display:none}
.iwMessageBox{position:absolute;left:50%;top:30%;transform:translate(-50%,-50%);min-width:260px;max-width:600px;background:#fff;border:1px solid #888;box-shadow:0 2px 12px rgba(0,0,0,.3);padding:16px;text-align:center}
.iwMessageText{white-space:pre-wrap;text-align:left;margin-bottom:12px}
)CSS";
  return css;
}

}  // namespace web
