'use strict';
// Hint lines for failed calls and puts: what the member, the parameter or the keyword takes,
// which folder is missing, where vx.params belongs. The server's description is never changed:
// the hint is a line after it in `message`, and `hint` on the error. What members and keywords
// take, and the hint lines themselves, come from vocabulary.json, written from the server's own
// tables; the PHP host is built with the same file, so the two hosts' lines cannot drift apart.

const fs = require('node:fs');
const path = require('node:path');
const vocabulary = require('../vocabulary.json');

const DISP_E_TYPEMISMATCH = 0x80020005 | 0;
const E_NOINTERFACE = 0x80004002 | 0;

const hostWords = vocabulary.hostWords.node;

// A hint line: the template's {names} filled from `values`, then from this host's words. What a
// member takes may itself name this host's words ({bytes}).
function line(name, values) {
  const words = { ...hostWords, ...values };
  if (typeof values.takes === 'string') {
    words.takes = values.takes.replace(/\{(\w+)\}/g, (text, key) => (key in hostWords ? hostWords[key] : text));
  }
  return vocabulary.hints[name].replace(/\{(\w+)\}/g, (_, key) => {
    if (!(key in words)) throw new Error(`hint ${name}: nothing for {${key}}`);
    return words[key];
  });
}

// A description longer than this (one holding a long text) keeps the stack V8 formats only when
// it is read: copying it into the stack made a failing call on a megabyte of text a third slower.
const kStackRewriteLimit = 4096;

// The error with the hint after its text in `message` (and at the head of its stack).
function addHint(err, hint) {
  if (!(err instanceof Error) || !hint) return err;
  const text = typeof err.description === 'string' ? err.description : err.message;
  if (text.length <= kStackRewriteLimit) {
    const header = `${err.name}: ${err.message}`;
    const stack = err.stack;
    if (typeof stack === 'string' && stack.startsWith(header)) {
      err.stack = `${err.name}: ${text}\n${hint}${stack.slice(header.length)}`;
    }
  }
  err.message = `${text}\n${hint}`;
  err.hint = hint;
  return err;
}

function memberOf(interfaceName, memberName) {
  const iface = vocabulary.classes[interfaceName];
  if (!iface) return null;
  const lower = String(memberName).toLowerCase();
  for (const [name, member] of Object.entries(iface.members)) {
    if (name.toLowerCase() === lower) return { className: iface.class, name, ...member };
  }
  return null;
}

function withArticle(noun) {
  return `${/^[AEIOUX]/i.test(noun) ? 'an' : 'a'} ${noun}`;
}

function classOfInterface(interfaceName) {
  const iface = vocabulary.classes[interfaceName];
  return iface ? iface.class : interfaceName;
}

// What a script gave, in words: the number 0, the text "wide", a Gestalt, a plain object.
function given(value, interfaceOf) {
  if (value === null) return 'null';
  if (value === undefined) return 'nothing';
  if (typeof value === 'string') return `the text ${JSON.stringify(value.length > 40 ? `${value.slice(0, 40)}...` : value)}`;
  if (typeof value === 'number' || typeof value === 'bigint' || typeof value === 'boolean') {
    return `the ${typeof value === 'boolean' ? 'boolean' : 'number'} ${String(value)}`;
  }
  const iface = interfaceOf(value);
  if (iface) return withArticle(classOfInterface(iface));
  if (Array.isArray(value)) return 'an array';
  if (value instanceof ArrayBuffer) return 'an ArrayBuffer';
  if (ArrayBuffer.isView(value)) return `a ${value.constructor.name}`;
  if (typeof value === 'function') return 'a function';
  return 'an object';
}

function textOf(err) {
  return typeof err.description === 'string' ? err.description : String(err.message || '');
}

// A refusal of the value itself: the host could not convert it, or the server would not take it.
function failedToTake(err) {
  const text = textOf(err);
  return err instanceof TypeError || err.number === DISP_E_TYPEMISMATCH || text.startsWith('Type mismatch') ||
    text.startsWith('Unable to set property') || text.startsWith('Overflow') || /\(-50\)/.test(text);
}

// A failed put: what the property takes, and what it was given.
function forPut(err, interfaceName, memberName, value, interfaceOf) {
  if (!err || !failedToTake(err)) return err;
  const member = memberOf(interfaceName, memberName);
  if (!member || !member.takes) return err;
  return addHint(err, line('put', { member: `${member.className}.${member.name}`, takes: member.takes,
                                     given: given(value, interfaceOf) }));
}

// The closest keywords to a name the parser did not know, by edit distance.
function closeKeywords(name) {
  const distance = (a, b) => {
    let row = Array.from({ length: b.length + 1 }, (_, i) => i);
    for (let i = 1; i <= a.length; ++i) {
      const next = [i];
      for (let j = 1; j <= b.length; ++j) {
        next[j] = Math.min(row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] === b[j - 1] ? 0 : 1));
      }
      row = next;
    }
    return row[b.length];
  };
  const lower = name.toLowerCase().replace('colour', 'color');
  return Object.keys(vocabulary.keywords)
    .filter((k) => distance(lower, k) <= 2 || (lower.length >= 4 && k.includes(lower)));
}

function keywordHint(text) {
  let match = /^Could not understand value of parameter "([A-Za-z]+)=/.exec(text);
  if (match) {
    const keyword = match[1].toLowerCase();
    const takes = vocabulary.keywords[keyword];
    return takes ? line('keywordTakes', { keyword, takes }) : null;
  }
  match = /^Do not recognise parameter "([^"]*)"/.exec(text);
  if (match) {
    const close = closeKeywords(match[1]);
    return close.length > 0 ? line('keywordClose', { close: close.join(' or ') }) : line('keywordList', {});
  }
  return null;
}

// The first folder of a path's folders that is not there.
function missingFolder(filePath) {
  let folder = path.dirname(path.resolve(filePath));
  let missing = null;
  while (!fs.existsSync(folder)) {
    missing = folder;
    const parent = path.dirname(folder);
    if (parent === folder) break;
    folder = parent;
  }
  return missing;
}

function argumentHint(member, args, interfaceOf, err) {
  const text = textOf(err);
  const mismatch = err.number === undefined || err.number === DISP_E_TYPEMISMATCH || err.number === E_NOINTERFACE ||
    text.startsWith('Type mismatch') || text.includes('does not support the requested interface');
  for (let i = 0; i < member.params.length && i < args.length; ++i) {
    const param = member.params[i];
    const value = args[i];
    const where = `${member.className}.${member.name}'s ${param.name}`;
    if (param.takes === 'a parameter string' && value !== null && typeof value === 'object') {
      return line('paramsObject', { where, given: given(value, interfaceOf) });
    }
    if (!mismatch) continue;
    const iface = interfaceOf(value);
    if (param.class && (!iface || classOfInterface(iface) !== param.class)) {
      return line('argumentClass', { where, class: withArticle(param.class), given: given(value, interfaceOf) });
    }
    if (!param.class && value !== null && typeof value === 'object' && !(value instanceof Uint8Array && param.takes.startsWith('bytes'))) {
      return line('argument', { where, takes: param.takes, given: given(value, interfaceOf) });
    }
  }
  if (/^Unable to understand channel/.test(text)) {
    const channel = member.params.find((p) => p.name === 'inChannel');
    if (channel) return line('channel', { where: `${member.className}.${member.name}'s inChannel`, takes: channel.takes });
  }
  return null;
}

// A failed call: what was wrong with an argument, the keyword's words, or the missing folder.
function forCall(err, interfaceName, memberName, args, interfaceOf) {
  if (!(err instanceof Error) || err.hint) return err;
  const member = memberOf(interfaceName, memberName);
  if (!member || !member.params) return err;
  let hint = argumentHint(member, args, interfaceOf, err) || keywordHint(textOf(err));
  const pathParam = member.params.findIndex((p) => p.name === 'inFilePath' || p.name === 'inPath');
  if (!hint && pathParam >= 0 && typeof args[pathParam] === 'string' && args[pathParam] !== '') {
    const missing = missingFolder(args[pathParam]);
    if (missing) {
      hint = line('folder', { folder: missing, member: member.name });
    }
  }
  return hint ? addHint(err, hint) : err;
}

// Why a class could not be made: not registered in the registry `file`, or registered but its
// module can't be loaded; `named` when VX_REGISTRY names the file.
function forRegistration(name, unloadable, file, named) {
  const registry = line(named ? 'registryNamed' : 'registry', { file });
  return line(unloadable ? 'unloadable' : 'unregistered', { name, registry });
}

module.exports = { forPut, forCall, forRegistration, addHint };
